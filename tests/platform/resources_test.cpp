#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace {

using platform::ResourceType;

// The programme names exactly as the catalogue quotes them (UTF-8).
const std::array<const char*, 40> kProgrammeNames = {
    "ダーティーターン",
    "ローアングル・キューバン・テイクオフ",
    "ロールオン・テイクオフ",
    "ファン・ブレイク",
    "４ポイント・ロール",
    "チェンジ・オーバー・ターン",
    "インバーテッド＆コンティニュアス・ロール",
    "レイン・フォール",
    "バーティカル・クライム・ロール",
    "スロー・ロール",
    "チェンジ・オーバー・ループ",
    "ハーフ・スロー・ロール",
    "レター８",
    "オポジット・コンティニュアス・ロール",
    "４シップ・インバート",
    "バーティカル・キューピッド",
    "ライン・アブレスト・ロール",
    "３６０゜＆ループ",
    "ワイド・トゥー・デルタ・ループ",
    "オポジット・トライアングル",
    "デルタ・ロール＆ボントン・ロール",
    "さくら",
    "バーティカル・キューバン８",
    "スター＆クロス",
    "タック・クロスⅠ",
    "ローリング・コンバット・ピッチ",
    "コーク・スクリュー",
    "デルタ・ループ",
    "レベル・オープナー",
    "インバーテッド・ロール",
    "トレール・トゥー・ダイアモンド・ロール",
    "ロールバック・トゥー・アローヘッド",
    "デルタ３６０゜ターン",
    "ボントン・ロール",
    "スラント・キューピッド",
    "デルタ・ダーティー",
    "リーダーズ・ベネフィット",
    "ポイント・スター",
    "ピラミッド",
    "スワン",
};

TEST(StringTable, HoldsAllFortyProgrammeNamesByteExact) {
    for (int n = 1; n <= 40; ++n) {
        std::string name;
        ASSERT_TRUE(platform::LoadStringResource(199u + static_cast<unsigned>(n), name)) << "programme " << n;
        EXPECT_EQ(name, kProgrammeNames[static_cast<std::size_t>(n - 1)]) << "programme " << n;
        EXPECT_EQ(platform::ProgrammeName(n), name);
    }
}

TEST(StringTable, KeepsFullWidthCharactersAndTheDegreeMark) {
    EXPECT_EQ(platform::ProgrammeName(5).rfind("\xEF\xBC\x94", 0), 0u);           // full-width 4
    EXPECT_NE(platform::ProgrammeName(13).find("\xEF\xBC\x98"), std::string::npos);  // full-width 8
    EXPECT_NE(platform::ProgrammeName(18).find("\xE3\x82\x9C"), std::string::npos);  // the mark "゜"
    EXPECT_NE(platform::ProgrammeName(33).find("\xEF\xBC\x93\xEF\xBC\x96\xEF\xBC\x90"), std::string::npos);
}

TEST(StringTable, ApplicationNameAndAbsentEntries) {
    std::string text = "unchanged";
    ASSERT_TRUE(platform::LoadStringResource(57344, text));
    EXPECT_EQ(text, "Vantaro");
    text = "unchanged";
    EXPECT_FALSE(platform::LoadStringResource(199, text));
    EXPECT_FALSE(platform::LoadStringResource(240, text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(platform::ProgrammeName(0), "");
    EXPECT_EQ(platform::ProgrammeName(41), "");
    EXPECT_EQ(platform::ProgrammeName(-1), "");
}

TEST(Resources, FindsEmbeddedBytesAndReportsAbsentOnes) {
    const auto sky = platform::FindResource(ResourceType::kMESH, 161);
    ASSERT_TRUE(sky.has_value());
    std::ifstream file(VANTARO_SOURCE_DIR "/resources/models/SKY.x", std::ios::binary);
    const std::vector<char> expected{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(expected.empty());
    // exactly the file, no padding
    EXPECT_TRUE(std::equal(sky->begin(), sky->end(), expected.begin(), expected.end()));
    EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 160).has_value());
    EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 9999).has_value());
    EXPECT_FALSE(platform::FindResource(ResourceType::kWAVE, 1).has_value());
}

TEST(Resources, OverridesReplaceAndHideThenRestore) {
    {
        platform::ScopedResourceOverride outer;
        outer.Replace(ResourceType::kMESH, 7, {1, 2, 3});
        {
            platform::ScopedResourceOverride inner;
            inner.Hide(ResourceType::kMESH, 161);
            EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 161).has_value());
            const auto mesh = platform::FindResource(ResourceType::kMESH, 7);
            ASSERT_TRUE(mesh.has_value());  // the outer override still answers
            EXPECT_EQ(mesh->size(), 3u);
        }
        EXPECT_TRUE(platform::FindResource(ResourceType::kMESH, 161).has_value());
        EXPECT_TRUE(platform::FindResource(ResourceType::kMESH, 7).has_value());
    }
    EXPECT_FALSE(platform::FindResource(ResourceType::kMESH, 7).has_value());
}

}  // namespace
