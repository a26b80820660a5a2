#pragma once
// Vector, matrix and quaternion arithmetic in the row-vector convention (a point p maps to
// p * M) with left-handed view and projection, following the semantics of the published D3DX
// functions of the same names. Degrees become radians with kRadiansPerDegree.

#include <cmath>

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

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline Vec3 operator*(float s, const Vec3& v) { return v * s; }
inline float Vec3Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Vec3Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Vec3Length(const Vec3& v) { return std::sqrt(Vec3Dot(v, v)); }

Matrix MatrixIdentity();
Matrix MatrixMultiply(const Matrix& a, const Matrix& b);  // applies a first, then b
Matrix MatrixTranslation(float x, float y, float z);
Matrix MatrixScaling(float x, float y, float z);
// A singular matrix has no inverse: MatrixInverse then gives the identity, and
// MatrixTryInverse returns false and leaves `out` as it was.
Matrix MatrixInverse(const Matrix& m);
bool MatrixTryInverse(const Matrix& m, Matrix& out);
Matrix MatrixTranspose(const Matrix& m);
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);  // radians: roll Z, pitch X, yaw Y
Matrix MatrixRotationQuaternion(const Quaternion& q);
Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up);
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

Quaternion QuaternionRotationYawPitchRoll(float yaw, float pitch, float roll);
Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t);  // shorter arc

Vec3 Vec3Normalize(const Vec3& v);  // the zero vector stays zero
Vec3 Vec3Lerp(const Vec3& a, const Vec3& b, float s);
Vec4 Vec3Transform(const Vec3& v, const Matrix& m);       // as a point, w = 1
Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m);  // as a point, divided by w
Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m); // as a direction, w = 0
// Passes through p1 at s = 0 and p2 at s = 1.
Vec3 Vec3CatmullRom(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float s);
Vec3 Vec3Project(const Vec3& v, const Viewport& viewport, const Matrix& projection, const Matrix& view,
                 const Matrix& world);  // window x, y and depth

}  // namespace gfx
