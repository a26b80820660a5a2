// Running the independent command-line tools (assimp, djpeg, ImageMagick, gdk-pixbuf) that
// check the committed assets, and reading what they write.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace assets_test {

struct CommandResult {
    int status = -1;
    std::string output;  // standard output and standard error
};
CommandResult RunCommand(const std::string& command);
std::string Quoted(const std::filesystem::path& path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

using P3 = std::array<double, 3>;

// A model as assimp exports it to OBJ, kept in the file's own left-handed coordinates.
struct ObjModel {
    struct Face {
        int material;
        std::array<int, 3> position;
        std::array<int, 3> texCoord;
    };
    std::vector<P3> positions;
    std::vector<std::array<double, 2>> texCoords;
    std::vector<Face> faces;
    std::vector<std::string> materials;  // in the order the material library lists them
    std::map<std::string, std::string> textureOf;
};
// Empty `error` on success.
ObjModel ExportThroughAssimp(const std::filesystem::path& model, const TempDir& scratch, std::string& error);

// An image decoded by djpeg: 8-bit RGB rows from the top.
struct Rgb8Image {
    int width = 0, height = 0;
    std::string pixels;
    std::array<int, 3> At(int x, int y) const;
};
Rgb8Image DecodeWithDjpeg(const std::filesystem::path& jpeg);

// Distance along the ray to the nearest face it meets, and that face; -1 when it meets none.
struct Hit {
    double distance = -1;
    int face = -1;
};
Hit CastRay(const ObjModel& model, const P3& origin, const P3& direction);
// True when the face's corners run clockwise as seen from `eye`.
bool ClockwiseFrom(const ObjModel& model, int face, const P3& eye);

}  // namespace assets_test
