#pragma once
// Vector, matrix and quaternion arithmetic in the row-vector convention (a point p maps to
// p * M) with left-handed view and projection, following the semantics of the published D3DX
// functions of the same names. Degrees become radians with kRadiansPerDegree.

namespace gfx {

inline constexpr float kRadiansPerDegree = 0.017453292f;

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

// Row-major: m[row][column]; the translation sits in row 3.
struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

struct ColorValue {
    float r = 0, g = 0, b = 0, a = 0;
};

struct Viewport {
    unsigned x = 0, y = 0, width = 0, height = 0;
    float minZ = 0, maxZ = 1;
};

Matrix MatrixIdentity();
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);  // applies a first, then b
Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixScaling(float x, float y, float z);
Matrix MatrixInverse(const Matrix& m);
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);  // radians: roll Z, pitch X, yaw Y
Matrix MatrixRotationQuaternion(const Quaternion& q);
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

Quaternion QuaternionRotationYawPitchRoll(float yaw, float pitch, float roll);
Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t);

Vec3 Vec3Normalize(const Vec3& v);
Vec4 Vec3Transform(const Vec3& v, const Matrix& m);  // as a point, w = 1
Vec3 Vec3CatmullRom(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float s);
Vec3 Vec3Project(const Vec3& v, const Viewport& viewport, const Matrix& projection, const Matrix& view,
                 const Matrix& world);

}  // namespace gfx
