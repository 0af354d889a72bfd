// The leaf generator's geometry: leaves are built from parametric blades (one blade per
// lobe or leaflet), stalks and veins, in leaf coordinates where the leaf's base sits at the
// origin and its tip points along +y. Everything here is plain arithmetic with fixed seeds,
// so the same parameters always give the same shapes.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace leafgen {

// 0 below e0, 1 above e1, and a smooth S between.
double Smoothstep(double e0, double e1, double x);

struct Vec2 {
  double x = 0;
  double y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double Length(Vec2 a) { return std::sqrt(Dot(a, a)); }
// The unit vector at `angle` radians counter-clockwise from +y (the leaf's "up").
inline Vec2 Direction(double angle) { return {-std::sin(angle), std::cos(angle)}; }
// `a` turned a quarter counter-clockwise.
inline Vec2 Perpendicular(Vec2 a) { return {-a.y, a.x}; }

// A small deterministic generator (xorshift), so shapes do not depend on the standard
// library's distributions, which differ between implementations.
class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B9u) { Next(); }
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double Uniform() { return (Next() >> 8) * (1.0 / 16777216.0); }        // [0, 1)
  double Jitter(double amount) { return (Uniform() * 2 - 1) * amount; }  // [-amount, amount)

 private:
  uint32_t state_;
};

// A line drawn with a width given in picture pixels (100 x 100 picture), tapering from
// `width_start` at the first point to `width_end` at the last.
struct Stroke {
  std::vector<Vec2> points;
  double width_start = 1;
  double width_end = 1;
  double strength = 1;  // veins: how much darker than the blade (0..1 scale factor)
};

// One blade: a lobe or a leaflet, an outline around a (slightly bent) axis.
struct BladeParams {
  Vec2 base;         // where the axis starts
  double angle = 0;  // axis direction, radians counter-clockwise from +y
  double length = 1;
  double half_width = 0.3;      // at the widest place, relative to the length
  double widest = 0.45;         // where the blade is widest, 0 (base) .. 1 (tip)
  double base_bluntness = 0.8;  // exponent of the width profile near the base: < 1 rounder
  double tip_bluntness = 1.0;   // near the tip: > 1 draws the tip out, < 1 rounder
  double bend = 0;              // sideways bow of the axis, relative to the length
  double asymmetry = 0;         // one side wider than the other, relative
  int teeth = 0;                // teeth per side
  double tooth_depth = 0;       // relative to the local half-width
  double teeth_from = 0.2;      // teeth start this far along the axis
  int vein_pairs = 0;           // side veins per side
  double vein_angle = 0.8;      // radians from the axis
  double midrib_width = 0.9;    // picture pixels at the base
  double vein_width = 0.5;      // picture pixels
  double midrib_reach = 0.92;   // the midrib stops short of the tip
};

struct LeafShape {
  std::vector<std::vector<Vec2>> blades;  // closed outlines; the leaf is their union
  std::vector<Stroke> stalks;             // stalks and stalklets, part of the leaf body
  std::vector<Stroke> veins;              // drawn darker, on the blades only
  Vec2 origin;                            // the leaf's base, where its colours start
};

// The outline of one blade, counter-clockwise, `samples` points per side.
std::vector<Vec2> BladeOutline(const BladeParams& p, int samples = 160);
// The point of the blade's axis at `t` (0 base .. 1 tip).
Vec2 BladeAxisPoint(const BladeParams& p, double t);
// The blade's half-width at `t` without teeth (the smooth profile).
double BladeProfile(const BladeParams& p, double t);
// Adds the blade's outline, midrib and side veins to the shape.
void AddBlade(LeafShape& shape, const BladeParams& p);
// A stalk from `from` along `angle` (same convention as blades), gently bowed.
Stroke StalkStroke(Vec2 from, double angle, double length, double bow, double width_start, double width_end);

// The kinds of leaf in the picture set.
enum class LeafKind {
  kLobedOak,     // deeply lobed, pointed lobes along a midrib
  kNarrowLobed,  // narrow, deeply and finely lobed
  kTrifoliate,   // three toothed leaflets on a stalk
  kPalmateStar,  // five narrow leaflets spread from one point
  kPinnate,      // feather-like: narrow leaflets in pairs along a stalk
  kOval,         // oval with a pointed tip
  kMaple,        // palmately lobed, toothed
};

// How the leaf is coloured; colours are 0..255 per channel.
struct Rgb {
  double r = 0, g = 0, b = 0;
};
struct Palette {
  Rgb base;                     // near the stalk
  Rgb tip;                      // at the far end of the leaf
  double gradient_power = 1.0;  // > 1 keeps the base colour further out
  Rgb edge;                     // the margin, often drier
  double edge_amount = 0.5;
  Rgb blotch;  // large soft patches
  double blotch_amount = 0.3;
  Rgb fleck;  // small spots
  double fleck_amount = 0;
  Rgb vein_halo;  // the tissue along the main veins
  double vein_halo_amount = 0.3;
  Rgb stalk;
  double vein_darkening = 0.22;
};

// One leaf as designed: its shape in leaf coordinates and its colours.
struct LeafDesign {
  std::string name;
  LeafKind kind = LeafKind::kOval;
  uint32_t seed = 1;
  LeafShape shape;
  Palette palette;
  double bulge = 1.0;  // how strongly the blade arches between its veins
};

// How a leaf lies in its picture: the direction its tip points (degrees clockwise from
// straight up), whether it shows its other side, and a foreshortening across its axis.
struct Pose {
  double tip_degrees = 0;
  bool mirrored = false;
  double squash = 1.0;
};

struct PictureSpec {
  int index = 0;   // 1..25
  int design = 0;  // index into Designs()
  Pose pose;
};

// The leaf designs, each built once from its parameters.
const std::vector<LeafDesign>& Designs();
// The twenty-five pictures in order: Image1 .. Image25.
const std::vector<PictureSpec>& Pictures();

// Leaf coordinates to picture pixels: rotation, mirror, squash, then a scale and offset that
// fit the whole leaf (stalk included) into the picture with `margin` pixels to spare.
struct Placement {
  double m[4] = {1, 0, 0, 1};  // linear part: px = m0*x + m1*y + ox, py = m2*x + m3*y + oy
  double ox = 0, oy = 0;
  Vec2 Apply(Vec2 q) const { return {m[0] * q.x + m[1] * q.y + ox, m[2] * q.x + m[3] * q.y + oy}; }
  Vec2 Inverse(Vec2 p) const;
  double Scale() const { return std::sqrt(std::fabs(m[0] * m[3] - m[1] * m[2])); }
};
Placement FitPlacement(const LeafShape& shape, const Pose& pose, double picture_size, double margin);

}  // namespace leafgen
