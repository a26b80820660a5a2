#pragma once
// Small assets made by the tests themselves: Targa images and text mesh files, to be installed
// as resources with platform::ScopedResourceOverride.

#include <cstdint>
#include <string>
#include <vector>

namespace aircraft::testing {

// An uncompressed 32-bit Targa image, rows from the top, every pixel the same colour.
inline std::vector<std::uint8_t> MakeTarga(unsigned width, unsigned height, std::uint8_t alpha = 255) {
    std::vector<std::uint8_t> bytes = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                                       static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
                                       32, 0x28};
    for (unsigned i = 0; i < width * height; ++i) bytes.insert(bytes.end(), {200, 200, 200, alpha});
    return bytes;
}

// A mesh file with one triangle and one material per entry of `textureNames`; material j has
// the diffuse colour (0.05 j, 0.5, 0.25, 1) and names texture j unless that name is empty.
inline std::vector<std::uint8_t> MakeMeshFile(const std::vector<std::string>& textureNames) {
    const std::size_t n = textureNames.size();
    std::string text = "xof 0302txt 0064\nMesh {\n" + std::to_string(3 * n) + ";\n";
    for (std::size_t j = 0; j < n; ++j) {
        const std::string x = std::to_string(j);
        text += x + ".0;0.0;0.0;,\n" + x + ".0;1.0;0.0;,\n" + x + ".5;0.0;0.0;" + (j + 1 == n ? ";\n" : ",\n");
    }
    text += std::to_string(n) + ";\n";
    for (std::size_t j = 0; j < n; ++j) {
        text += "3;" + std::to_string(3 * j) + "," + std::to_string(3 * j + 1) + "," + std::to_string(3 * j + 2) +
                (j + 1 == n ? ";;\n" : ";,\n");
    }
    text += "MeshMaterialList {\n" + std::to_string(n) + ";\n" + std::to_string(n) + ";\n";
    for (std::size_t j = 0; j < n; ++j) text += std::to_string(j) + (j + 1 == n ? ";;\n" : ",\n");
    for (std::size_t j = 0; j < n; ++j) {
        text += "Material {\n" + std::to_string(0.05 * static_cast<double>(j)) + ";0.5;0.25;1.0;;\n8.0;\n0.3;0.3;0.3;;\n0.0;0.0;0.0;;\n";
        if (!textureNames[j].empty()) text += "TextureFilename { \"" + textureNames[j] + "\"; }\n";
        text += "}\n";
    }
    text += "}\n}\n";
    return {text.begin(), text.end()};
}

}  // namespace aircraft::testing
