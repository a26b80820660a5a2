// The two-seat twin-engine jet trainer: its shape, shared by the model builder and by the
// livery painter, which paints each texture at the surface points its texels land on.
//
// Frame of reference: nose towards -z, fin up (+y), 1 unit = 10 m. The origin is near the
// centre of gravity, so the aircraft rolls and pitches about a natural point.
#pragma once

#include "tools/assets/mesh.h"

namespace assets {

// Fuselage: lofted cross-sections from the nose (z = kNoseZ) to the tail (z = kTailZ).
constexpr double kNoseZ = -0.84;
constexpr double kTailZ = 0.40;

struct Section {
    double halfWidth, top, bottom, centre, exponent;  // a superellipse about (0, centre)
};
Section FuselageSection(double z);
// around: 0 at the keel, 0.25 on the +x side, 0.5 on the spine, 0.75 on the -x side.
V3 FuselagePoint(double z, double around);
V3 FuselageNormal(double z, double around);
// The fuselage texture ("KZ004.jpg") runs round the fuselage across and along it downwards,
// piecewise linear in z between these knots (z, v): the nose, which carries the aircraft's
// number, gets more than its share of the image.
inline constexpr std::array<std::array<double, 2>, 5> kFuselageTextureKnots = {
    {{kNoseZ, 0.0}, {-0.77, 0.05}, {-0.60, 0.42}, {-0.25, 0.63}, {kTailZ, 1.0}}};
double FuselageTextureV(double z);
double FuselageTextureZ(double v);

// Canopy over the tandem cockpits.
constexpr double kCanopyFrontZ = -0.585;
constexpr double kCanopyRearZ = -0.255;
double CanopyHalfWidth(double z);

// A swept lifting surface with a symmetric aerofoil (wing, tailplane, fin).
struct Planform {
    double rootSpan, tipSpan;         // spanwise station of root and tip (x, or y for the fin)
    double rootLeading, tipLeading;   // z of the leading edge
    double rootChord, tipChord;
    double rootHeight, dihedral;      // y (x for the fin) at the root, and its rise per unit span
    double thickness;                 // thickness over chord
    double LeadingEdge(double span) const;
    double Chord(double span) const;
    double Height(double span) const;
    // Chordwise position 0 (leading edge) to 1 (trailing edge) of z at this station.
    double ChordFraction(double span, double z) const { return (z - LeadingEdge(span)) / Chord(span); }
};
const Planform& Wing();
const Planform& Tailplane();
const Planform& Fin();

// Rectangles of the planar texture projections: texel (u, v) sits at a + u (b - a) across
// and c + v (d - c) downwards the image.
struct PlanarMap {
    double a, b, c, d;
    double U(double across) const { return (across - a) / (b - a); }
    double V(double down) const { return (down - c) / (d - c); }
    double Across(double u) const { return a + u * (b - a); }
    double Down(double v) const { return c + v * (d - c); }
};
const PlanarMap& WingMap();       // x across, z down: wing tops ("KZ000.jpg") and bottoms ("KZ001.jpg")
const PlanarMap& TailplaneMap();  // x across, z down ("KZ003.jpg")
const PlanarMap& FinMap();        // z across, y down the image from the fin tip ("KZ002.jpg")

// Subset order of the models; the glass comes last so the cockpit shows through it.
enum AircraftMaterial {
    kFuselageSkin, kWingTop, kWingBottom, kFinSkin, kTailplaneSkin, kCanopyFrame, kCockpit, kHelmet, kVisor,
    kIntakeLip, kIntakeDuct, kNozzle, kNozzleInside, kPortLight, kStarboardLight, kBeacon, kAntenna, kStrake,
    kGearLeg, kTyre, kWheelHub, kCanopyGlass
};

// `detail` scales the step counts of every curved part: 1 builds the full model;
// kLightAircraftDetail the light one the saver draws while an aircraft is small on screen.
inline constexpr double kLightAircraftDetail = 0.5;
Mesh BuildAircraft(bool gearDown, double detail = 1.0);

// Smoke leaves from this point inside the -x nozzle, between its turbine face and its exit.
inline constexpr V3 kSmokeNozzlePoint = {-0.046, -0.028, 0.425};

}  // namespace assets
