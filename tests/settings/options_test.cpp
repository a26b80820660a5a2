// The options table against what users read about the settings: the manual page documents each
// setting under its own name with its default and range, and the screensaver host's description
// names each setting that matters in the host's window and offers no controls of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"

namespace {

std::string ReadSourceFile(const std::string& relative) {
    std::ifstream file(std::string(VANTARO_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The tagged paragraphs of the manual page's list of settings (between the ".RS" after
// "[Option]" and its ".RE"): the tag line, then the text up to the next tag.
std::vector<std::pair<std::string, std::string>> SettingParagraphs(const std::string& page) {
    std::vector<std::pair<std::string, std::string>> paragraphs;
    bool inList = false, seenSection = false, tagNext = false;
    for (const std::string& line : Lines(page)) {
        if (line.find("[Option]") != std::string::npos) seenSection = true;
        if (seenSection && !inList && line == ".RS") inList = true;
        if (!inList) continue;
        if (line == ".RE") break;
        if (line == ".TP") {
            tagNext = true;
        } else if (tagNext) {
            paragraphs.push_back({line, {}});
            tagNext = false;
        } else if (!paragraphs.empty()) {
            paragraphs.back().second += line + "\n";
        }
    }
    return paragraphs;
}

// The names a tag line sets in bold: ".B Sound", ".BR Width \", \" Height".
std::vector<std::string> TagNames(const std::string& tag) {
    std::vector<std::string> names;
    std::istringstream words(tag.substr(tag.find(' ') + 1));
    for (std::string word; words >> word;) {
        if (word.front() != '"') names.push_back(word);
    }
    return names;
}

std::string EscapedPlayList(const show::PlayList& list) {
    std::string text;
    for (const auto entry : list) {
        if (entry == 0) break;
        char escaped[16];
        std::snprintf(escaped, sizeof escaped, "\\ex%02X", static_cast<unsigned>(static_cast<unsigned char>(entry)));
        text += escaped;
    }
    return text;
}

const Option* Named(const std::string& name) {
    for (const Option* option : kOptions) {
        if (option->name == name) return option;
    }
    return nullptr;
}

TEST(Options, TheManualPageDocumentsEachSettingWithItsDefaultAndRange) {
    const auto paragraphs = SettingParagraphs(ReadSourceFile("dist/vantaro.6"));
    ASSERT_FALSE(paragraphs.empty()) << "no list of settings in the manual page";
    std::vector<std::string> documented;
    for (const auto& [tag, text] : paragraphs) {
        for (const std::string& name : TagNames(tag)) {
            const Option* option = Named(name);
            ASSERT_NE(option, nullptr) << "the manual page documents a setting the saver does not have: " << name;
            documented.push_back(name);
            if (option->type == OptionType::kPlayList) {
                EXPECT_NE(text.find(EscapedPlayList(kDefaultPlayList)), std::string::npos) << name;
            } else if (option != &option::kVolume) {
                EXPECT_NE(text.find(std::to_string(option->defaultValue)), std::string::npos) << name << "'s default";
            }
            if (option->range) {
                const std::string range = std::to_string(option->range->min) + " to " + std::to_string(option->range->max);
                EXPECT_NE(text.find(range), std::string::npos) << name << "'s range " << range;
            }
        }
    }
    std::vector<std::string> all;
    for (const Option* option : kOptions) all.emplace_back(option->name);
    EXPECT_EQ(documented, all) << "every setting, in the order the file holds them";
}

TEST(Options, TheHostDescriptionNamesTheSettingsThatApplyInItsWindow) {
    // Words wrap at any blank in the description: read every run of blanks as one space.
    std::string xml;
    for (const char c : ReadSourceFile("dist/vantaro.xml")) {
        const bool blank = c == ' ' || c == '\n' || c == '\t';
        if (!blank || (!xml.empty() && xml.back() != ' ')) xml += blank ? ' ' : c;
    }
    ASSERT_NE(xml.find("<_description>"), std::string::npos);
    for (const Option* option : kOptions) {
        if (!option->hostWords.empty()) {
            EXPECT_NE(xml.find(option->hostWords), std::string::npos) << option->name;
        }
    }
    // The saver keeps its own settings: the host offers none of its own for it.
    for (const char* control : {"<number", "<boolean", "<select", "<string", "<file"}) {
        EXPECT_EQ(xml.find(control), std::string::npos) << control;
    }
}

}  // namespace
