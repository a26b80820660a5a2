#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gfx/math.h"

namespace {

using namespace gfx;

// One line of the reference file: the function's inputs as written, and its outputs.
struct Case {
    int line = 0;
    std::vector<std::string> in;
    std::vector<float> out;

    float Num(size_t i) const { return std::stof(in.at(i)); }
    // The number(s) following the word `key`, e.g. "eye 60 0.2 -27".
    size_t After(const std::string& key) const {
        const auto it = std::find(in.begin(), in.end(), key);
        EXPECT_NE(it, in.end()) << "line " << line << " has no '" << key << "'";
        return static_cast<size_t>(it - in.begin()) + 1;
    }
    Vec3 V3(size_t i) const { return {Num(i), Num(i + 1), Num(i + 2)}; }
};

std::map<std::string, std::vector<Case>> LoadReference() {
    std::map<std::string, std::vector<Case>> cases;
    std::ifstream file(VANTARO_SOURCE_DIR "/tests/gfx/data/d3dx_reference.txt");
    std::string text;
    for (int line = 1; std::getline(file, text); ++line) {
        if (text.empty() || text[0] == '#') continue;
        std::istringstream words(text);
        std::string name, word;
        words >> name;
        Case c;
        c.line = line;
        bool outputs = false;
        while (words >> word) {
            if (word == "=>") {
                outputs = true;
            } else if (outputs) {
                c.out.push_back(std::stof(word));
            } else {
                c.in.push_back(word);
            }
        }
        cases[name].push_back(c);
    }
    return cases;
}

const std::vector<Case>& Reference(const std::string& name) {
    static const auto cases = LoadReference();
    static const std::vector<Case> none;
    const auto it = cases.find(name);
    return it == cases.end() ? none : it->second;
}

// Agreement to 1e-5, absolute or relative, whichever is looser.
::testing::AssertionResult Agrees(const float* actual, const std::vector<float>& expected, int line) {
    for (size_t i = 0; i < expected.size(); ++i) {
        const float e = expected[i], a = actual[i];
        const float error = std::fabs(a - e);
        if (!(error <= 1e-5f || error <= 1e-5f * std::fabs(e))) {
            return ::testing::AssertionFailure()
                   << "line " << line << " output " << i << ": got " << a << ", expected " << e;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Agrees(const Matrix& m, const Case& c) {
    if (c.out.size() != 16) return ::testing::AssertionFailure() << "line " << c.line << ": not a matrix";
    return Agrees(&m.m[0][0], c.out, c.line);
}

template <typename Fn>
void ForEachCase(const std::string& name, Fn check) {
    const auto& cases = Reference(name);
    ASSERT_EQ(cases.size(), 24u) << name;
    for (const Case& c : cases) check(c);
}

Vec3 Deg(const Case& c, size_t i) { return c.V3(i) * kRadiansPerDegree; }

TEST(MathReference, Rotations) {
    ForEachCase("RotationYawPitchRoll_deg", [](const Case& c) {
        const Vec3 a = Deg(c, 0);
        EXPECT_TRUE(Agrees(MatrixRotationYawPitchRoll(a.x, a.y, a.z), c));
    });
    ForEachCase("QuaternionRotationYawPitchRoll_deg", [](const Case& c) {
        const Vec3 a = Deg(c, 0);
        const Quaternion q = QuaternionRotationYawPitchRoll(a.x, a.y, a.z);
        const float got[4] = {q.x, q.y, q.z, q.w};
        EXPECT_TRUE(Agrees(got, c.out, c.line));
    });
    ForEachCase("RotationQuaternion", [](const Case& c) {
        EXPECT_TRUE(Agrees(MatrixRotationQuaternion({c.Num(0), c.Num(1), c.Num(2), c.Num(3)}), c));
    });
    ForEachCase("SlerpYPR_deg", [](const Case& c) {
        const Vec3 a = Deg(c, 0), b = Deg(c, 3);
        const Quaternion q = QuaternionSlerp(QuaternionRotationYawPitchRoll(a.x, a.y, a.z),
                                             QuaternionRotationYawPitchRoll(b.x, b.y, b.z), c.Num(6));
        EXPECT_TRUE(Agrees(MatrixRotationQuaternion(q), c));
    });
}

TEST(MathReference, InverseAndCamera) {
    ForEachCase("Inverse", [](const Case& c) {
        Matrix m;
        for (size_t i = 0; i < 16; ++i) m.m[i / 4][i % 4] = c.Num(i);
        EXPECT_TRUE(Agrees(MatrixInverse(m), c));
    });
    ForEachCase("LookAtLH", [](const Case& c) {
        EXPECT_TRUE(Agrees(MatrixLookAtLH(c.V3(0), c.V3(3), c.V3(6)), c));
    });
    ForEachCase("PerspectiveFovLH", [](const Case& c) {
        EXPECT_TRUE(Agrees(MatrixPerspectiveFovLH(c.Num(0), c.Num(1), c.Num(2), c.Num(3)), c));
    });
}

TEST(MathReference, Vectors) {
    ForEachCase("Vec3Transform", [](const Case& c) {
        const size_t at = c.After("LookAtLH");
        const Matrix view = MatrixLookAtLH(c.V3(c.After("eye")), c.V3(c.After("at")), {0, 1, 0});
        ASSERT_EQ(at, 5u);
        const Vec4 p = Vec3Transform(c.V3(0), view);
        const float got[4] = {p.x, p.y, p.z, p.w};
        EXPECT_TRUE(Agrees(got, c.out, c.line));
    });
    ForEachCase("Vec3CatmullRom", [](const Case& c) {
        const Vec3 p = Vec3CatmullRom(c.V3(0), c.V3(3), c.V3(6), c.V3(9), c.Num(12));
        const float got[3] = {p.x, p.y, p.z};
        EXPECT_TRUE(Agrees(got, c.out, c.line));
    });
    ForEachCase("Vec3Project", [](const Case& c) {
        const size_t v = c.After("viewport");
        const Viewport viewport{static_cast<unsigned>(c.Num(v)), static_cast<unsigned>(c.Num(v + 1)),
                                static_cast<unsigned>(c.Num(v + 2)), static_cast<unsigned>(c.Num(v + 3)),
                                c.Num(v + 4), c.Num(v + 5)};
        const float aspect = static_cast<float>(viewport.width) / static_cast<float>(viewport.height);
        const Matrix projection =
            MatrixPerspectiveFovLH(c.Num(c.After("fov")), aspect, c.Num(c.After("near")), c.Num(c.After("far")));
        const Matrix view = MatrixLookAtLH(c.V3(c.After("eye")), c.V3(c.After("at")), {0, 1, 0});
        ASSERT_EQ(c.in.at(c.After("world")), "identity");
        const Vec3 p = Vec3Project(c.V3(0), viewport, projection, view, MatrixIdentity());
        const float got[3] = {p.x, p.y, p.z};
        EXPECT_TRUE(Agrees(got, c.out, c.line));
    });
}

bool Near(const Matrix& a, const Matrix& b, float tolerance = 1e-5f) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (std::fabs(a.m[i][j] - b.m[i][j]) > tolerance) return false;
        }
    }
    return true;
}

// A world transform is rotation * translation: the model turns about its own origin first.
TEST(Math, MultiplyAppliesTheLeftMatrixFirst) {
    const Matrix turn = MatrixRotationYawPitchRoll(90 * kRadiansPerDegree, 0, 0);
    const Matrix world = MatrixMultiply(turn, MatrixTranslation(10, 0, 0));
    const Vec4 nose = Vec3Transform({0, 0, -1}, world);  // the nose points to -z
    EXPECT_NEAR(nose.x, 9, 1e-5);
    EXPECT_NEAR(nose.z, 0, 1e-5);
    EXPECT_TRUE(Near(MatrixMultiply(world, MatrixInverse(world)), MatrixIdentity()));
}

TEST(Math, SingularMatrixHasNoInverse) {
    Matrix out = MatrixTranslation(1, 2, 3);
    const Matrix flat = MatrixScaling(1, 0, 1);
    EXPECT_FALSE(MatrixTryInverse(flat, out));
    EXPECT_TRUE(Near(out, MatrixTranslation(1, 2, 3)));  // untouched
    EXPECT_TRUE(Near(MatrixInverse(flat), MatrixIdentity()));
    Matrix nan;
    nan.m[1][1] = NAN;
    EXPECT_FALSE(MatrixTryInverse(nan, out));
}

TEST(Math, SlerpTakesTheShorterArc) {
    const Quaternion a = QuaternionRotationYawPitchRoll(10 * kRadiansPerDegree, 0, 0);
    Quaternion b = QuaternionRotationYawPitchRoll(30 * kRadiansPerDegree, 0, 0);
    b = {-b.x, -b.y, -b.z, -b.w};  // the same rotation, on the far side of the sphere
    const Matrix halfway = MatrixRotationQuaternion(QuaternionSlerp(a, b, 0.5f));
    EXPECT_TRUE(Near(halfway, MatrixRotationYawPitchRoll(20 * kRadiansPerDegree, 0, 0)));
    // Equal quaternions blend linearly instead of dividing by sin(0).
    const Quaternion same = QuaternionSlerp(a, a, 0.3f);
    EXPECT_FLOAT_EQ(same.y, a.y);
    EXPECT_FLOAT_EQ(same.w, a.w);
}

TEST(Math, NormalizeAndCatmullRomEnds) {
    const Vec3 zero = Vec3Normalize({0, 0, 0});
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);
    EXPECT_EQ(zero.z, 0);
    EXPECT_NEAR(Vec3Length(Vec3Normalize({-0.3f, -0.6f, 0})), 1, 1e-6);
    const Vec3 p0{0, 0, 0}, p1{1, 2, 3}, p2{4, 4, 4}, p3{9, 0, 1};
    const Vec3 start = Vec3CatmullRom(p0, p1, p2, p3, 0), end = Vec3CatmullRom(p0, p1, p2, p3, 1);
    EXPECT_FLOAT_EQ(start.y, p1.y);
    EXPECT_FLOAT_EQ(end.z, p2.z);
}

}  // namespace
