#include "tools/assets/aircraft.h"

#include "tools/assets/profile.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr double kPi = 3.14159265358979323846;

double SignedPow(double v, double e) { return v < 0 ? -std::pow(-v, e) : std::pow(v, e); }

// Step counts of a model built at `detail` (1 for the full model): each count shrinks in
// proportion, but never below what keeps the part's shape (a ring needs its corners).
struct Detail {
    double factor;
    int Steps(int full, int least) const {
        return std::max(least, static_cast<int>(std::lround(full * factor)));
    }
};

// z, half width, top, bottom, centre height, superellipse exponent.
const Profile& FuselageTable() {
    static const Profile table({
        {-0.840, 0.003, 0.003, 0.003, -0.022, 2.0},
        {-0.810, 0.018, 0.016, 0.015, -0.020, 2.0},
        {-0.760, 0.033, 0.031, 0.028, -0.016, 2.0},
        {-0.690, 0.047, 0.045, 0.041, -0.011, 2.1},
        {-0.610, 0.057, 0.056, 0.051, -0.006, 2.2},
        {-0.520, 0.064, 0.062, 0.058, -0.002, 2.3},
        {-0.420, 0.069, 0.064, 0.063, 0.000, 2.4},
        {-0.320, 0.074, 0.062, 0.067, 0.000, 2.5},
        {-0.200, 0.082, 0.060, 0.070, -0.003, 2.7},
        {-0.080, 0.090, 0.059, 0.071, -0.007, 2.9},
        {0.050, 0.094, 0.057, 0.071, -0.011, 3.0},
        {0.170, 0.093, 0.053, 0.066, -0.015, 3.0},
        {0.270, 0.090, 0.047, 0.058, -0.020, 3.0},
        {0.350, 0.087, 0.041, 0.050, -0.025, 3.1},
        {0.400, 0.085, 0.037, 0.046, -0.028, 3.2},
    });
    return table;
}

// z, half width, height above the canopy base.
const Profile& CanopyTable() {
    static const Profile table({
        {-0.585, 0.030, 0.000},
        {-0.555, 0.045, 0.026},
        {-0.515, 0.052, 0.046},
        {-0.460, 0.055, 0.058},
        {-0.400, 0.055, 0.063},
        {-0.340, 0.054, 0.062},
        {-0.290, 0.048, 0.046},
        {-0.255, 0.036, 0.000},
    });
    return table;
}

double CanopyBase(double z) {
    Section s = FuselageSection(z);
    return s.centre + s.top - 0.010;
}

// t runs across the canopy from the -x sill (0) over the top to the +x sill (1).
V3 CanopyPoint(double z, double t, double scale) {
    double phi = kPi * (t - 0.5);
    double base = CanopyBase(z);
    double w = CanopyHalfWidth(z) * scale;
    double h = CanopyTable()(z, 2) * scale;
    double sinPhi = std::sin(phi);
    return {w * sinPhi, base + h * std::cos(phi) - 0.022 * sinPhi * sinPhi, z};
}

// Half thickness of a symmetric aerofoil with a closed trailing edge, per unit chord.
double HalfThickness(double t, double thickness) {
    return 5 * thickness * (0.2969 * std::sqrt(t) - 0.1260 * t - 0.3516 * t * t + 0.2843 * t * t * t - 0.1036 * t * t * t * t);
}

struct Frame {
    int across;  // 0: span along x (wing, tailplane), 1: span along y (fin)
    double side;  // +1 or -1: which wing, or which face of the fin
};

// A point of a lifting surface: span parameter s (root 0, tip 1), chord parameter t, upper
// (+1) or lower (-1) face.
V3 LiftingPoint(const Planform& p, const Frame& f, double s, double t, double face) {
    double span = p.rootSpan + s * (p.tipSpan - p.rootSpan);
    double z = p.LeadingEdge(span) + t * p.Chord(span);
    double offset = face * HalfThickness(t, p.thickness) * p.Chord(span);
    if (f.across == 0) return {f.side * span, p.Height(span) + offset, z};
    return {f.side * offset + p.Height(span), span, z};
}

Material Coloured(float r, float g, float b, float specular, float power, float emissive = 0, float alpha = 1) {
    Material m;
    m.diffuse[0] = r, m.diffuse[1] = g, m.diffuse[2] = b, m.diffuse[3] = alpha;
    m.specular[0] = m.specular[1] = m.specular[2] = specular;
    m.power = power;
    m.emissive[0] = r * emissive, m.emissive[1] = g * emissive, m.emissive[2] = b * emissive;
    return m;
}

// Painted skin: the texture carries the colour; a little self-light keeps the shaded side
// from going black under the single sun.
Material Skin(const char* texture) {
    Material m = Coloured(0.86f, 0.86f, 0.86f, 0.45f, 28.0f, 0.14f);
    m.texture = texture;
    return m;
}

void AddMaterials(Mesh& mesh, bool gearDown) {
    mesh.AddMaterial(Skin("KZ004.jpg"));
    mesh.AddMaterial(Skin("KZ000.jpg"));
    mesh.AddMaterial(Skin("KZ001.jpg"));
    mesh.AddMaterial(Skin("KZ002.jpg"));
    mesh.AddMaterial(Skin("KZ003.jpg"));
    mesh.AddMaterial(Coloured(0.14f, 0.15f, 0.18f, 0.3f, 30));                // canopy frame
    mesh.AddMaterial(Coloured(0.10f, 0.10f, 0.11f, 0.05f, 8));                // cockpit, seats
    mesh.AddMaterial(Coloured(0.92f, 0.92f, 0.95f, 0.6f, 40, 0.1f));         // helmets
    mesh.AddMaterial(Coloured(0.20f, 0.16f, 0.05f, 0.9f, 60));                // gold visors
    mesh.AddMaterial(Coloured(0.70f, 0.72f, 0.75f, 0.5f, 30, 0.1f));         // intake lips
    mesh.AddMaterial(Coloured(0.05f, 0.05f, 0.06f, 0.0f, 1));                 // intake ducts
    mesh.AddMaterial(Coloured(0.46f, 0.43f, 0.40f, 0.6f, 40, 0.08f));        // nozzles
    mesh.AddMaterial(Coloured(0.09f, 0.08f, 0.08f, 0.1f, 10));                // inside the nozzles
    mesh.AddMaterial(Coloured(0.95f, 0.10f, 0.08f, 0.8f, 50, 0.7f));         // port light (+x)
    mesh.AddMaterial(Coloured(0.10f, 0.85f, 0.25f, 0.8f, 50, 0.7f));         // starboard light (-x)
    mesh.AddMaterial(Coloured(1.0f, 0.97f, 0.90f, 0.8f, 50, 0.7f));          // white beacons
    mesh.AddMaterial(Coloured(0.55f, 0.56f, 0.60f, 0.4f, 30, 0.05f));        // pitot, antennas
    mesh.AddMaterial(Coloured(0.06f, 0.15f, 0.50f, 0.45f, 28, 0.14f));       // ventral strakes, livery blue
    if (gearDown) {
        mesh.AddMaterial(Coloured(0.72f, 0.74f, 0.78f, 0.7f, 40, 0.1f));     // gear legs
        mesh.AddMaterial(Coloured(0.07f, 0.07f, 0.07f, 0.15f, 6));           // tyres
        mesh.AddMaterial(Coloured(0.90f, 0.90f, 0.92f, 0.4f, 28, 0.12f));    // wheel hubs, gear doors
    }
    mesh.AddMaterial(Coloured(0.50f, 0.60f, 0.72f, 1.0f, 80, 0.05f, 0.30f));  // canopy glass
}

int GlassMaterial(const Mesh& mesh) { return static_cast<int>(mesh.materials.size()) - 1; }

void AddFuselage(Mesh& mesh, const Detail& d) {
    Surface s;
    s.position = [](double a, double b) { return FuselagePoint(kNoseZ + a * (kTailZ - kNoseZ), b); };
    s.uv = [](double a, double b) { return std::array<double, 2>{b, FuselageTextureV(kNoseZ + a * (kTailZ - kNoseZ))}; };
    s.outward = [](const V3& p) { return V3{p.x, p.y - FuselageSection(p.z).centre, 0}; };
    std::vector<double> along;
    for (double a : Even(d.Steps(43, 8))) along.push_back(0.45 * a + 0.55 * a * a);  // denser at the nose
    // Stations at the knots of the texture's length mapping keep its interpolation exact.
    for (const auto& knot : kFuselageTextureKnots) along.push_back((knot[0] - kNoseZ) / (kTailZ - kNoseZ));
    std::sort(along.begin(), along.end());
    along.erase(std::unique(along.begin(), along.end(), [](double x, double y) { return y - x < 1e-3; }), along.end());
    AddSurface(mesh, kFuselageSkin, s, along, Even(d.Steps(32, 12)));
    // Jet pipe bay closed behind the nozzles.
    std::vector<V3> ring;
    for (double b : Even(d.Steps(32, 12))) ring.push_back(FuselagePoint(kTailZ, b));
    ring.pop_back();
    AddFan(mesh, kNozzleInside, ring, {0, FuselageSection(kTailZ).centre, kTailZ}, {0, 0, 1},
           [](const V3&) { return std::array<double, 2>{0.5, 0.5}; });
}

void AddCanopy(Mesh& mesh, const Detail& d) {
    Surface glass;
    glass.position = [](double a, double b) {
        return CanopyPoint(kCanopyFrontZ + a * (kCanopyRearZ - kCanopyFrontZ), b, 1.0);
    };
    glass.uv = [](double a, double b) { return std::array<double, 2>{b, a}; };
    glass.outward = [](const V3& p) { return V3{p.x, p.y - CanopyBase(p.z) + 0.02, 0}; };
    AddSurface(mesh, GlassMaterial(mesh), glass, Even(d.Steps(18, 4)), Even(d.Steps(16, 6)));

    // Frame arches: the windscreen bow, the bow between the seats and the rear bow.
    for (double zc : {-0.548, -0.405, -0.272}) {
        const double half = 0.0045;
        Surface band;
        band.position = [=](double a, double b) { return CanopyPoint(zc - half + a * 2 * half, b, 1.05); };
        band.uv = glass.uv;
        band.outward = glass.outward;
        AddSurface(mesh, kCanopyFrame, band, Even(1), Even(d.Steps(16, 6)));
        for (double face : {-1.0, 1.0}) {
            Surface wall;
            double z = zc + face * half;
            wall.position = [=](double a, double b) { return CanopyPoint(z, b, 1.0 + 0.05 * a); };
            wall.uv = glass.uv;
            wall.outward = [=](const V3&) { return V3{0, 0, face}; };
            AddSurface(mesh, kCanopyFrame, wall, Even(1), Even(d.Steps(16, 6)));
        }
    }
    // Crew: helmet with visor in front of a dark seat, rear seat raised.
    const double seats[2][2] = {{-0.468, 0.030}, {-0.352, 0.037}};
    for (const auto& seat : seats) {
        double z = seat[0];
        double y = CanopyBase(z) + seat[1];
        AddEllipsoid(mesh, kHelmet, {0, y, z}, {0.0165, 0.019, 0.019}, d.Steps(12, 6), d.Steps(8, 3));
        AddEllipsoid(mesh, kVisor, {0, y - 0.002, z - 0.007}, {0.0150, 0.010, 0.014}, d.Steps(10, 6), d.Steps(5, 3));
        AddBox(mesh, kCockpit, {-0.020, y - 0.045, z + 0.018}, {0.020, y + 0.010, z + 0.030});
    }
    // Instrument coaming ahead of each pilot.
    for (double z : {-0.53, -0.415}) {
        double y = CanopyBase(z);
        AddBox(mesh, kCockpit, {-0.035, y - 0.02, z - 0.012}, {0.035, y + 0.012, z + 0.010});
    }
}

void AddLiftingSurface(Mesh& mesh, const Planform& p, const Frame& f, int topMaterial, int bottomMaterial,
                       const PlanarMap& map, int spanSteps, int chordSteps) {
    for (double face : {1.0, -1.0}) {
        Surface s;
        s.position = [=, &p](double a, double b) { return LiftingPoint(p, f, a, b, face); };
        if (f.across == 0) {
            s.uv = [=, &p, &map](double a, double b) {
                V3 q = LiftingPoint(p, f, a, b, face);
                return std::array<double, 2>{map.U(q.x), map.V(q.z)};
            };
        } else {
            s.uv = [=, &p, &map](double a, double b) {
                V3 q = LiftingPoint(p, f, a, b, face);
                return std::array<double, 2>{map.U(q.z), map.V(q.y)};
            };
        }
        V3 up = f.across == 0 ? V3{0, face, 0} : V3{face * f.side, 0, 0};
        s.outward = [=](const V3&) { return up; };
        AddSurface(mesh, face > 0 ? topMaterial : bottomMaterial, s, Even(spanSteps), CosineSpaced(chordSteps));
    }
    // Close the tip.
    std::vector<V3> ring;
    for (double t : CosineSpaced(chordSteps)) ring.push_back(LiftingPoint(p, f, 1, t, 1));
    for (double t : CosineSpaced(chordSteps)) ring.push_back(LiftingPoint(p, f, 1, 1 - t, -1));
    V3 centre = (LiftingPoint(p, f, 1, 0, 1) + LiftingPoint(p, f, 1, 1, 1)) * 0.5;
    V3 out = f.across == 0 ? V3{f.side, 0, 0} : V3{0, 1, 0};
    AddFan(mesh, bottomMaterial, ring, centre, out, [&](const V3& q) {
        return f.across == 0 ? std::array<double, 2>{map.U(q.x), map.V(q.z)}
                             : std::array<double, 2>{map.U(q.z), map.V(q.y)};
    });
}

void AddIntakes(Mesh& mesh, const Detail& d) {
    const double front = -0.30, rear = 0.02, inset = 0.03;
    for (double side : {1.0, -1.0}) {
        auto point = [=](double z, double t, double scale) {
            double a = z < front ? 0 : (z - front) / (rear - front);
            double halfWidth = (0.030 - 0.009 * a) * scale, halfHeight = (0.036 - 0.008 * a) * scale;
            double angle = 2 * kPi * t;
            return V3{side * (0.068 + halfWidth * SignedPow(std::cos(angle), 2.0 / 3.0)),
                      -0.008 + halfHeight * SignedPow(std::sin(angle), 2.0 / 3.0), z};
        };
        V3 axis = {side * 0.068, -0.008, 0};
        Surface outer;
        outer.position = [=](double a, double b) { return point(front + a * (rear - front), b, 1.0); };
        // The outer skin takes the fuselage texture from the fuselage point beside it.
        outer.uv = [=](double a, double b) {
            V3 q = outer.position(a, b);
            double around = std::atan2(q.x, -(q.y - FuselageSection(q.z).centre)) / (2 * kPi);
            return std::array<double, 2>{around < 0 ? around + 1 : around, FuselageTextureV(q.z)};
        };
        outer.outward = [=](const V3& q) { return V3{q.x - axis.x, q.y - axis.y, 0}; };
        AddSurface(mesh, kFuselageSkin, outer, Even(d.Steps(8, 2)), Even(d.Steps(18, 8)));

        Surface lip;
        lip.position = [=](double a, double b) { return point(front, b, 1.0 - 0.22 * a); };
        lip.uv = [](double a, double b) { return std::array<double, 2>{a, b}; };
        lip.outward = [](const V3&) { return V3{0, 0, -1}; };
        AddSurface(mesh, kIntakeLip, lip, Even(1), Even(d.Steps(18, 8)));

        Surface duct;
        duct.position = [=](double a, double b) { return point(front + a * inset, b, 0.78); };
        duct.uv = lip.uv;
        duct.outward = [=](const V3& q) { return V3{axis.x - q.x, axis.y - q.y, 0}; };
        AddSurface(mesh, kIntakeDuct, duct, Even(1), Even(d.Steps(18, 8)));

        std::vector<V3> ring;
        for (double t : Even(d.Steps(18, 8))) ring.push_back(point(front + inset, t, 0.78));
        ring.pop_back();
        AddFan(mesh, kIntakeDuct, ring, {axis.x, axis.y, front + inset}, {0, 0, -1},
               [](const V3&) { return std::array<double, 2>{0.5, 0.5}; });
    }
}

void AddNozzles(Mesh& mesh, const Detail& d) {
    const int slices = d.Steps(20, 8);
    const double exitZ = 0.435, innerZ = 0.405;
    for (double side : {1.0, -1.0}) {
        // The two jet pipes sit side by side, the -x one around the smoke nozzle point.
        V3 c = {side * std::abs(kSmokeNozzlePoint.x), kSmokeNozzlePoint.y, 0};
        AddTube(mesh, kNozzle, {c.x, c.y, 0.37}, {0, 0, exitZ - 0.37}, 0.036, 0.034, slices, true);
        Surface rim;
        rim.position = [=](double a, double b) {
            double r = 0.034 - 0.005 * a, angle = 2 * kPi * b;
            return V3{c.x + r * std::cos(angle), c.y + r * std::sin(angle), exitZ};
        };
        rim.uv = [](double a, double b) { return std::array<double, 2>{a, b}; };
        rim.outward = [](const V3&) { return V3{0, 0, 1}; };
        AddSurface(mesh, kNozzle, rim, Even(1), Even(slices));
        AddTube(mesh, kNozzleInside, {c.x, c.y, innerZ}, {0, 0, exitZ - innerZ}, 0.029, 0.029, slices, false);
        AddDisc(mesh, kNozzleInside, {c.x, c.y, innerZ}, {0, 0, 1}, 0.029, slices);
    }
}

void AddSmallParts(Mesh& mesh, const Detail& d) {
    const Planform& wing = Wing();
    for (double side : {1.0, -1.0}) {
        // Wing-tip light pods: red on the +x wing, green on the -x wing.
        double x = side * (wing.tipSpan + 0.003);
        double z = wing.LeadingEdge(wing.tipSpan) + 0.05;
        AddEllipsoid(mesh, side > 0 ? kPortLight : kStarboardLight, {x, wing.Height(wing.tipSpan), z},
                     {0.009, 0.0075, 0.045}, d.Steps(12, 6), d.Steps(6, 3));
        // Ventral strakes under the rear fuselage.
        AddBox(mesh, kStrake, {side * 0.036 - 0.0015, -0.085, 0.17}, {side * 0.036 + 0.0015, -0.055, 0.33});
    }
    const Planform& fin = Fin();
    AddEllipsoid(mesh, kBeacon, {0, fin.tipSpan + 0.002, fin.LeadingEdge(fin.tipSpan) + 0.05}, {0.005, 0.006, 0.03}, d.Steps(10, 6), d.Steps(6, 3));
    AddEllipsoid(mesh, kBeacon, {0, FuselageSection(0.0).centre - FuselageSection(0.0).bottom + 0.003, 0.0},
                 {0.008, 0.006, 0.012}, d.Steps(10, 6), d.Steps(6, 3));
    // Pitot boom on the nose, blade antennas on spine and belly.
    AddTube(mesh, kAntenna, {0, FuselageSection(kNoseZ).centre, kNoseZ + 0.004}, {0, 0, -0.04}, 0.0035, 0.0012, d.Steps(10, 4), true);
    Section spine = FuselageSection(-0.12);
    AddBox(mesh, kAntenna, {-0.0015, spine.centre + spine.top - 0.005, -0.14}, {0.0015, spine.centre + spine.top + 0.022, -0.115});
    Section belly = FuselageSection(0.22);
    AddBox(mesh, kAntenna, {-0.0015, belly.centre - belly.bottom - 0.007, 0.21}, {0.0015, belly.centre - belly.bottom + 0.005, 0.23});
}

void AddWheel(Mesh& mesh, const Detail& d, V3 centre, double radius, double width) {
    double tube = width * 0.5;
    AddTorus(mesh, kTyre, centre, {1, 0, 0}, radius - tube, tube, d.Steps(30, 8), d.Steps(14, 4));
    for (double face : {-1.0, 1.0}) {
        AddDisc(mesh, kWheelHub, centre + V3{face * tube * 0.8, 0, 0}, {face, 0, 0}, radius - tube, d.Steps(16, 6));
    }
}

void AddGear(Mesh& mesh, const Detail& d) {
    // Nose gear: leg, fork around the wheel, doors either side of the bay.
    const double noseZ = -0.60, noseAxle = -0.146, noseRadius = 0.022;
    Section nose = FuselageSection(noseZ);
    AddTube(mesh, kGearLeg, {0, nose.centre - nose.bottom + 0.01, noseZ}, {0, noseAxle + noseRadius + 0.006 - (nose.centre - nose.bottom + 0.01), -0.004}, 0.0055, 0.005, d.Steps(12, 4), true);
    AddBox(mesh, kGearLeg, {-0.013, noseAxle + noseRadius + 0.002, noseZ - 0.010}, {0.013, noseAxle + noseRadius + 0.008, noseZ + 0.004});
    for (double side : {-1.0, 1.0}) {
        AddTube(mesh, kGearLeg, {side * 0.0115, noseAxle + noseRadius + 0.004, noseZ - 0.004}, {0, -noseRadius - 0.004, 0}, 0.0025, 0.0025, d.Steps(8, 4), true);
        AddBox(mesh, kWheelHub, {side * 0.021 - 0.001, nose.centre - nose.bottom - 0.032, noseZ - 0.06},
               {side * 0.021 + 0.001, nose.centre - nose.bottom + 0.01, noseZ + 0.05});
    }
    AddWheel(mesh, d, {0, noseAxle, noseZ - 0.004}, noseRadius, 0.016);

    // Main gear: legs from the wing, wheels outboard of them, doors hinged inboard.
    const double mainZ = 0.10, mainAxle = -0.140, mainRadius = 0.028;
    const Planform& wing = Wing();
    for (double side : {-1.0, 1.0}) {
        double x = side * 0.165;
        double top = wing.Height(0.165);
        AddTube(mesh, kGearLeg, {x, top, mainZ - 0.005}, {0, mainAxle - top, 0.008}, 0.0065, 0.0055, d.Steps(12, 4), true);
        AddTube(mesh, kGearLeg, {x, mainAxle, mainZ + 0.003}, {side * 0.016, 0, 0}, 0.004, 0.004, d.Steps(8, 4), true);
        AddWheel(mesh, d, {x + side * 0.018, mainAxle, mainZ + 0.003}, mainRadius, 0.020);
        AddBox(mesh, kWheelHub, {side * 0.125 - 0.001, top - 0.050, mainZ - 0.05}, {side * 0.125 + 0.001, top - 0.008, mainZ + 0.07});
        AddBox(mesh, kWheelHub, {x - 0.002 + side * 0.012, top - 0.075, mainZ - 0.030}, {x + 0.002 + side * 0.012, top - 0.012, mainZ + 0.025});
    }
}

}  // namespace

Section FuselageSection(double z) {
    const Profile& t = FuselageTable();
    return {t(z, 1), t(z, 2), t(z, 3), t(z, 4), t(z, 5)};
}

V3 FuselagePoint(double z, double around) {
    Section s = FuselageSection(z);
    double theta = 2 * kPi * around;
    double sx = std::sin(theta), sy = -std::cos(theta);
    double e = 2.0 / s.exponent;
    return {s.halfWidth * SignedPow(sx, e), s.centre + (sy > 0 ? s.top : s.bottom) * SignedPow(sy, e), z};
}

V3 FuselageNormal(double z, double around) {
    const double h = 1e-4;
    V3 dz = FuselagePoint(z + h, around) - FuselagePoint(z - h, around);
    V3 da = FuselagePoint(z, around + h) - FuselagePoint(z, around - h);
    V3 n = Normalized(Cross(dz, da));
    V3 p = FuselagePoint(z, around);
    return Dot(n, V3{p.x, p.y - FuselageSection(z).centre, 0}) < 0 ? n * -1.0 : n;
}

double FuselageTextureV(double z) {
    const auto& k = kFuselageTextureKnots;
    size_t i = 0;
    while (i + 2 < k.size() && z > k[i + 1][0]) ++i;
    return k[i][1] + (z - k[i][0]) / (k[i + 1][0] - k[i][0]) * (k[i + 1][1] - k[i][1]);
}

double FuselageTextureZ(double v) {
    const auto& k = kFuselageTextureKnots;
    size_t i = 0;
    while (i + 2 < k.size() && v > k[i + 1][1]) ++i;
    return k[i][0] + (v - k[i][1]) / (k[i + 1][1] - k[i][1]) * (k[i + 1][0] - k[i][0]);
}

double CanopyHalfWidth(double z) { return CanopyTable()(z, 1); }

double Planform::LeadingEdge(double span) const {
    return rootLeading + (span - rootSpan) / (tipSpan - rootSpan) * (tipLeading - rootLeading);
}
double Planform::Chord(double span) const {
    return rootChord + (span - rootSpan) / (tipSpan - rootSpan) * (tipChord - rootChord);
}
double Planform::Height(double span) const { return rootHeight + (span - rootSpan) * dihedral; }

const Planform& Wing() {
    static const Planform p{0.06, 0.483, -0.17, 0.094, 0.39, 0.15, -0.040, 0.035, 0.085};
    return p;
}
const Planform& Tailplane() {
    static const Planform p{0.065, 0.195, 0.275, 0.365, 0.125, 0.07, -0.010, 0.0, 0.07};
    return p;
}
const Planform& Fin() {
    static const Planform p{0.0, 0.262, 0.15, 0.355, 0.25, 0.085, 0.0, 0.0, 0.075};
    return p;
}

const PlanarMap& WingMap() {
    static const PlanarMap m{-0.5, 0.5, -0.19, 0.27};
    return m;
}
const PlanarMap& TailplaneMap() {
    static const PlanarMap m{-0.2, 0.2, 0.26, 0.45};
    return m;
}
const PlanarMap& FinMap() {
    static const PlanarMap m{0.13, 0.46, 0.28, 0.0};
    return m;
}

Mesh BuildAircraft(bool gearDown, double detail) {
    const Detail d{detail};
    Mesh mesh;
    AddMaterials(mesh, gearDown);
    AddFuselage(mesh, d);
    AddCanopy(mesh, d);
    for (double side : {1.0, -1.0}) {
        AddLiftingSurface(mesh, Wing(), {0, side}, kWingTop, kWingBottom, WingMap(), d.Steps(9, 3), d.Steps(16, 6));
        AddLiftingSurface(mesh, Tailplane(), {0, side}, kTailplaneSkin, kTailplaneSkin, TailplaneMap(), d.Steps(4, 2),
                          d.Steps(10, 5));
    }
    AddLiftingSurface(mesh, Fin(), {1, 1}, kFinSkin, kFinSkin, FinMap(), d.Steps(7, 3), d.Steps(14, 6));
    AddIntakes(mesh, d);
    AddNozzles(mesh, d);
    AddSmallParts(mesh, d);
    if (gearDown) AddGear(mesh, d);
    return mesh;
}

}  // namespace assets
