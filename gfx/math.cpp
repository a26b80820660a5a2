#include "gfx/math.h"

#include <cmath>

namespace gfx {

namespace {

// Quaternions whose dot product is this close to 1 are blended linearly: the arc between
// them is too short for sin() of it to divide by.
constexpr float kSlerpLinearThreshold = 1e-5f;

struct SinCos {
    float s, c;
};

// Each function in double, rounded to float once: the C libraries of Linux and Windows differ
// in the last bit of their float functions, and tracks, poses and pictures must be the same
// on both.
float Sin(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float Cos(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float Tan(float x) { return static_cast<float>(std::tan(static_cast<double>(x))); }
float Acos(float x) { return static_cast<float>(std::acos(static_cast<double>(x))); }

SinCos Angle(float radians) { return {Sin(radians), Cos(radians)}; }

}  // namespace

Matrix MatrixIdentity() { return Matrix{}; }

Matrix MatrixMultiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

Matrix MatrixTranslation(float x, float y, float z) {
    Matrix r;
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix MatrixScaling(float x, float y, float z) {
    Matrix r;
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

Matrix MatrixTranspose(const Matrix& m) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) r.m[i][j] = m.m[j][i];
    }
    return r;
}

// Cofactor expansion through the 2x2 minors of the top and bottom row pairs, in double so
// that nearly singular view matrices still invert to float precision.
bool MatrixTryInverse(const Matrix& in, Matrix& out) {
    double a[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) a[i][j] = in.m[i][j];
    }
    const double s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const double s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const double s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const double s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const double s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const double s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const double c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const double c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const double c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const double c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const double c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const double c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0 || !std::isfinite(det)) return false;
    const double k = 1.0 / det;
    const double r[4][4] = {
        {(a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3), (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3),
         (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3), (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3)},
        {(-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1), (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1),
         (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1), (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1)},
        {(a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0), (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0),
         (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0), (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0)},
        {(-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0), (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0),
         (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0), (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0)},
    };
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) out.m[i][j] = static_cast<float>(r[i][j] * k);
    }
    return true;
}

Matrix MatrixInverse(const Matrix& m) {
    Matrix r;
    if (!MatrixTryInverse(m, r)) return MatrixIdentity();
    return r;
}

// Roll about z, then pitch about x, then yaw about y: Rz(roll) * Rx(pitch) * Ry(yaw).
Matrix MatrixRotationYawPitchRoll(float yaw, float pitch, float roll) {
    const SinCos y = Angle(yaw), p = Angle(pitch), r = Angle(roll);
    Matrix m;
    m.m[0][0] = r.c * y.c + r.s * p.s * y.s;
    m.m[0][1] = r.s * p.c;
    m.m[0][2] = r.s * p.s * y.c - r.c * y.s;
    m.m[1][0] = r.c * p.s * y.s - r.s * y.c;
    m.m[1][1] = r.c * p.c;
    m.m[1][2] = r.s * y.s + r.c * p.s * y.c;
    m.m[2][0] = p.c * y.s;
    m.m[2][1] = -p.s;
    m.m[2][2] = p.c * y.c;
    return m;
}

// The unit quaternion's rotation; a quaternion that is not of unit length also scales.
Matrix MatrixRotationQuaternion(const Quaternion& q) {
    Matrix m;
    m.m[0][0] = 1 - 2 * (q.y * q.y + q.z * q.z);
    m.m[0][1] = 2 * (q.x * q.y + q.z * q.w);
    m.m[0][2] = 2 * (q.x * q.z - q.y * q.w);
    m.m[1][0] = 2 * (q.x * q.y - q.z * q.w);
    m.m[1][1] = 1 - 2 * (q.x * q.x + q.z * q.z);
    m.m[1][2] = 2 * (q.y * q.z + q.x * q.w);
    m.m[2][0] = 2 * (q.x * q.z + q.y * q.w);
    m.m[2][1] = 2 * (q.y * q.z - q.x * q.w);
    m.m[2][2] = 1 - 2 * (q.x * q.x + q.y * q.y);
    return m;
}

Matrix MatrixLookAtLH(const Vec3& eye, const Vec3& at, const Vec3& up) {
    const Vec3 zAxis = Vec3Normalize(at - eye);
    const Vec3 xAxis = Vec3Normalize(Vec3Cross(up, zAxis));
    const Vec3 yAxis = Vec3Cross(zAxis, xAxis);
    Matrix m;
    const Vec3 axes[3] = {xAxis, yAxis, zAxis};
    for (int c = 0; c < 3; ++c) {
        m.m[0][c] = axes[c].x;
        m.m[1][c] = axes[c].y;
        m.m[2][c] = axes[c].z;
        m.m[3][c] = -Vec3Dot(axes[c], eye);
    }
    return m;
}

// Depth runs from 0 at zNear to 1 at zFar; w takes the view-space z.
Matrix MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / Tan(fovY * 0.5f);
    Matrix m;
    m.m[0][0] = yScale / aspect;
    m.m[1][1] = yScale;
    m.m[2][2] = zFar / (zFar - zNear);
    m.m[2][3] = 1;
    m.m[3][2] = -zNear * zFar / (zFar - zNear);
    m.m[3][3] = 0;
    return m;
}

// The product of the half-angle rotations, roll first, then pitch, then yaw.
Quaternion QuaternionRotationYawPitchRoll(float yaw, float pitch, float roll) {
    const SinCos y = Angle(yaw * 0.5f), p = Angle(pitch * 0.5f), r = Angle(roll * 0.5f);
    return {y.c * p.s * r.c + y.s * p.c * r.s, y.s * p.c * r.c - y.c * p.s * r.s,
            y.c * p.c * r.s - y.s * p.s * r.c, y.c * p.c * r.c + y.s * p.s * r.s};
}

Quaternion QuaternionSlerp(const Quaternion& a, const Quaternion& b, float t) {
    float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    float sign = 1;
    if (dot < 0) {  // q and -q are the same rotation: take the shorter way round
        dot = -dot;
        sign = -1;
    }
    float wa = 1 - t, wb = t;
    if (1 - dot > kSlerpLinearThreshold) {
        const float theta = Acos(dot);
        const float sinTheta = Sin(theta);
        wa = Sin((1 - t) * theta) / sinTheta;
        wb = Sin(t * theta) / sinTheta;
    }
    wb *= sign;
    return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z, wa * a.w + wb * b.w};
}

Vec3 Vec3Normalize(const Vec3& v) {
    const float length = Vec3Length(v);
    if (length == 0) return {};
    // Dividing each component (rather than multiplying by 1 / length) keeps the last bit of
    // the axes of a view matrix, which far-away points magnify.
    return {v.x / length, v.y / length, v.z / length};
}

Vec3 Vec3Lerp(const Vec3& a, const Vec3& b, float s) { return a + (b - a) * s; }

Vec4 Vec3Transform(const Vec3& v, const Matrix& m) {
    Vec4 r;
    r.x = v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0] + m.m[3][0];
    r.y = v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1] + m.m[3][1];
    r.z = v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2] + m.m[3][2];
    r.w = v.x * m.m[0][3] + v.y * m.m[1][3] + v.z * m.m[2][3] + m.m[3][3];
    return r;
}

Vec3 Vec3TransformCoord(const Vec3& v, const Matrix& m) {
    const Vec4 p = Vec3Transform(v, m);
    const float k = 1.0f / p.w;
    return {p.x * k, p.y * k, p.z * k};
}

Vec3 Vec3TransformNormal(const Vec3& v, const Matrix& m) {
    return {v.x * m.m[0][0] + v.y * m.m[1][0] + v.z * m.m[2][0],
            v.x * m.m[0][1] + v.y * m.m[1][1] + v.z * m.m[2][1],
            v.x * m.m[0][2] + v.y * m.m[1][2] + v.z * m.m[2][2]};
}

Vec3 Vec3CatmullRom(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, float s) {
    const float s2 = s * s, s3 = s2 * s;
    // Weights of the four points in 0.5 * (2 p1 + (p2 - p0) s + (2 p0 - 5 p1 + 4 p2 - p3) s^2
    // + (3 p1 - p0 - 3 p2 + p3) s^3).
    const float w0 = 0.5f * (-s3 + 2 * s2 - s);
    const float w1 = 0.5f * (3 * s3 - 5 * s2 + 2);
    const float w2 = 0.5f * (-3 * s3 + 4 * s2 + s);
    const float w3 = 0.5f * (s3 - s2);
    return p0 * w0 + p1 * w1 + p2 * w2 + p3 * w3;
}

Vec3 Vec3Project(const Vec3& v, const Viewport& viewport, const Matrix& projection, const Matrix& view,
                 const Matrix& world) {
    const Matrix all = MatrixMultiply(MatrixMultiply(world, view), projection);
    const Vec3 ndc = Vec3TransformCoord(v, all);
    return {static_cast<float>(viewport.x) + (1 + ndc.x) * 0.5f * static_cast<float>(viewport.width),
            static_cast<float>(viewport.y) + (1 - ndc.y) * 0.5f * static_cast<float>(viewport.height),
            viewport.minZ + ndc.z * (viewport.maxZ - viewport.minZ)};
}

}  // namespace gfx
