#include "leaf_model.h"

#include <algorithm>
#include <limits>

namespace leafgen {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) { return degrees * kPi / 180.0; }
double Lerp(double a, double b, double t) { return a + (b - a) * t; }

// The width multiplier of a saw tooth at `phase` (0..1 within one tooth): a long rise from the
// notch to the tooth's point, then a short fall, so the teeth point towards the blade's tip.
double ToothShape(double phase) {
  if (phase < 0.78) return std::pow(phase / 0.78, 1.15);
  return 1 - (phase - 0.78) / 0.22;
}

Vec2 AxisTangent(const BladeParams& p, double t) {
  Vec2 dir = Direction(p.angle);
  return dir * p.length + Perpendicular(dir) * (p.bend * p.length * 2 * t);
}

Vec2 AxisNormal(const BladeParams& p, double t) {
  Vec2 tangent = AxisTangent(p, t);
  return Perpendicular(tangent) * (1.0 / Length(tangent));
}

// Half-width with teeth on one side; `phase` staggers the teeth of the two sides.
double ToothedWidth(const BladeParams& p, double t, double phase) {
  double w = BladeProfile(p, t);
  if (p.teeth <= 0 || p.tooth_depth <= 0 || t < p.teeth_from) return w;
  double span = 0.985 - p.teeth_from;
  if (t > 0.985) return w;
  double x = (t - p.teeth_from) / span * p.teeth + phase;
  double depth = p.tooth_depth * Smoothstep(p.teeth_from, p.teeth_from + 0.6 * span / p.teeth, t);
  return w * (1 - depth * (1 - ToothShape(x - std::floor(x))));
}

std::vector<Vec2> QuadraticCurve(Vec2 a, Vec2 control, Vec2 b, int segments) {
  std::vector<Vec2> points;
  for (int i = 0; i <= segments; ++i) {
    double t = static_cast<double>(i) / segments;
    points.push_back(a * ((1 - t) * (1 - t)) + control * (2 * t * (1 - t)) + b * (t * t));
  }
  return points;
}

}  // namespace

double Smoothstep(double e0, double e1, double x) {
  double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double BladeProfile(const BladeParams& p, double t) {
  t = std::clamp(t, 0.0, 1.0);
  double widest = std::clamp(p.widest, 0.05, 0.95);
  double u = std::pow(t, std::log(0.5) / std::log(widest));
  double f = std::sin(kPi * u);
  double exponent = Lerp(p.base_bluntness, p.tip_bluntness, Smoothstep(0.0, 1.0, u));
  return p.half_width * p.length * std::pow(std::max(f, 0.0), exponent);
}

Vec2 BladeAxisPoint(const BladeParams& p, double t) {
  Vec2 dir = Direction(p.angle);
  return p.base + dir * (p.length * t) + Perpendicular(dir) * (p.bend * p.length * t * t);
}

std::vector<Vec2> BladeOutline(const BladeParams& p, int samples) {
  std::vector<Vec2> outline;
  outline.reserve(static_cast<size_t>(2 * samples));
  for (int i = 0; i < samples; ++i) {  // up the left side
    double t = static_cast<double>(i) / (samples - 1);
    double w = ToothedWidth(p, t, 0.0) * (1 + p.asymmetry);
    outline.push_back(BladeAxisPoint(p, t) + AxisNormal(p, t) * w);
  }
  for (int i = samples - 2; i >= 1; --i) {  // and down the right
    double t = static_cast<double>(i) / (samples - 1);
    double w = ToothedWidth(p, t, 0.43) * (1 - p.asymmetry);
    outline.push_back(BladeAxisPoint(p, t) - AxisNormal(p, t) * w);
  }
  return outline;
}

void AddBlade(LeafShape& shape, const BladeParams& p) {
  shape.blades.push_back(BladeOutline(p));
  if (p.midrib_width > 0) {
    Stroke midrib;
    for (int i = 0; i <= 24; ++i) midrib.points.push_back(BladeAxisPoint(p, p.midrib_reach * i / 24.0));
    midrib.width_start = p.midrib_width;
    midrib.width_end = 0.35;
    midrib.strength = 1.0;
    shape.veins.push_back(midrib);
  }
  for (int i = 0; i < p.vein_pairs; ++i) {
    for (int side : {1, -1}) {
      // A little irregular, as real veins are; the same every run.
      double t0 = 0.07 + (i + 0.35) / p.vein_pairs * 0.78 + 0.012 * std::sin(2.3 * i + side);
      double scale = side > 0 ? 1 + p.asymmetry : 1 - p.asymmetry;
      Vec2 start = BladeAxisPoint(p, t0);
      Vec2 tangent = AxisTangent(p, t0);
      tangent = tangent * (1.0 / Length(tangent));
      Vec2 leaving = tangent * std::cos(p.vein_angle) + AxisNormal(p, t0) * (side * std::sin(p.vein_angle));
      // Side veins leave the midrib at the vein angle and bow towards the tip near the margin.
      double straight = BladeProfile(p, t0) * scale / p.length / std::tan(p.vein_angle);
      double t1 = std::min(t0 + 1.3 * straight, 0.97);
      Vec2 end = BladeAxisPoint(p, t1) + AxisNormal(p, t1) * (side * 0.86 * BladeProfile(p, t1) * scale);
      Vec2 control = start + leaving * (0.5 * Length(end - start));
      Stroke vein;
      vein.points = QuadraticCurve(start, control, end, 10);
      vein.width_start = p.vein_width;
      vein.width_end = 0.3;
      vein.strength = 0.75;
      shape.veins.push_back(vein);
    }
  }
}

Stroke StalkStroke(Vec2 from, double angle, double length, double bow, double width_start, double width_end) {
  Stroke stalk;
  Vec2 dir = Direction(angle);
  for (int i = 0; i <= 20; ++i) {
    double t = i / 20.0;
    stalk.points.push_back(from + dir * (length * t) + Perpendicular(dir) * (bow * length * t * t));
  }
  stalk.width_start = width_start;
  stalk.width_end = width_end;
  return stalk;
}

namespace {

// A disc-like filler that closes the middle of a palmate leaf, so its sinuses stop short of
// the stalk.
std::vector<Vec2> Hub(Vec2 centre, double radius, int points = 48) {
  std::vector<Vec2> outline;
  for (int i = 0; i < points; ++i) {
    double a = -2 * kPi * i / points;  // the same winding as the blades
    outline.push_back(centre + Vec2{std::cos(a) * radius, std::sin(a) * radius});
  }
  return outline;
}

struct OakParams {
  int lobe_pairs = 3;
  double midrib_half_width = 0.13;
  double lobe_length = 0.44;
  double lobe_half_width = 0.27;
  int lobe_teeth = 2;
  double first_lobe = 0.2;  // where along the midrib the lobes start and end
  double last_lobe = 0.64;
  double stalk_length = 0.16;
};

LeafShape BuildOak(const OakParams& o, Rng& rng) {
  LeafShape shape;
  BladeParams centre;
  centre.length = 1.0;
  centre.half_width = o.midrib_half_width;
  centre.widest = 0.5;
  centre.base_bluntness = 1.1;
  centre.tip_bluntness = 0.9;
  centre.midrib_width = 1.1;
  centre.bend = rng.Jitter(0.03);
  AddBlade(shape, centre);
  // The end lobe: a pointed, toothed blade carrying on the midrib.
  BladeParams terminal = centre;
  terminal.base = BladeAxisPoint(centre, o.last_lobe + 0.02);
  terminal.length = 1.0 - o.last_lobe;
  terminal.half_width = 0.3;
  terminal.widest = 0.5;
  terminal.base_bluntness = 1.3;
  terminal.tip_bluntness = 1.1;
  terminal.teeth = 2;
  terminal.tooth_depth = 0.55;
  terminal.teeth_from = 0.35;
  terminal.midrib_width = 0;
  terminal.bend = 0;
  AddBlade(shape, terminal);
  for (int i = 0; i < o.lobe_pairs; ++i) {
    double f = o.lobe_pairs > 1 ? static_cast<double>(i) / (o.lobe_pairs - 1) : 0;
    for (int side : {1, -1}) {
      double t = o.first_lobe + (o.last_lobe - o.first_lobe) * f + 0.025 * side;  // alternate a little
      BladeParams lobe;
      lobe.base = BladeAxisPoint(centre, t);
      lobe.angle = centre.angle + side * Radians(66 - 30 * f + rng.Jitter(5));
      lobe.length = o.lobe_length * (0.72 + 0.36 * std::sin(kPi * (0.35 + 0.6 * f))) * (1 + rng.Jitter(0.07));
      lobe.half_width = o.lobe_half_width * (1 + rng.Jitter(0.1));
      lobe.widest = 0.6;
      lobe.base_bluntness = 1.3;  // a narrow neck, so the sinuses run deep
      lobe.tip_bluntness = 1.1;
      lobe.bend = side * 0.12;
      lobe.teeth = o.lobe_teeth;
      lobe.tooth_depth = 0.55;
      lobe.teeth_from = 0.42;
      lobe.midrib_width = 0.75;
      lobe.vein_width = 0.4;
      lobe.vein_pairs = 0;
      AddBlade(shape, lobe);
    }
  }
  shape.stalks.push_back(StalkStroke({0, 0.04}, kPi + rng.Jitter(0.1), o.stalk_length + 0.04, 0.15, 3.0, 2.4));
  return shape;
}

struct LeafletParams {
  double length = 0.5;
  double half_width = 0.28;
  double widest = 0.45;
  int teeth = 8;
  double tooth_depth = 0.18;
  double tip_bluntness = 1.3;
  int vein_pairs = 5;
};

BladeParams Leaflet(const LeafletParams& l, Vec2 base, double angle, double asymmetry, Rng& rng) {
  BladeParams b;
  b.base = base;
  b.angle = angle;
  b.length = l.length * (1 + rng.Jitter(0.05));
  b.half_width = l.half_width * (1 + rng.Jitter(0.06));
  b.widest = l.widest;
  b.base_bluntness = 0.85;
  b.tip_bluntness = l.tip_bluntness;
  b.teeth = l.teeth;
  b.tooth_depth = l.tooth_depth;
  b.teeth_from = 0.22;
  b.vein_pairs = l.vein_pairs;
  b.vein_angle = 0.85;
  b.asymmetry = asymmetry;
  b.bend = rng.Jitter(0.06);
  b.midrib_width = 0.8;
  b.vein_width = 0.45;
  return b;
}

// A leaflet's blade narrows to nothing at its base, and a joint thinner than a pixel or two
// fades under the colour key once the picture is encoded: the leaflet would float free of the
// stalk. A stalklet from the joint runs up the leaflet's axis until the blade is wide enough to
// carry on by itself. Widths in picture pixels; reaches as a share of the leaflet's length.
constexpr double kSideStalkletReach = 0.14;
constexpr double kWedgeStalkletReach = 0.26;  // wedge-based leaflets widen late
constexpr double kStarStalkletWidth = 2.6;
constexpr double kStalkletEndWidth = 2.0;

Stroke Stalklet(Vec2 joint, const BladeParams& leaflet, double reach, double width_start, double width_end) {
  Stroke stalklet;
  stalklet.points.push_back(joint);
  for (int i = 0; i <= 8; ++i) stalklet.points.push_back(BladeAxisPoint(leaflet, reach * i / 8.0));
  stalklet.width_start = width_start;
  stalklet.width_end = width_end;
  return stalklet;
}

LeafShape BuildTrifoliate(const LeafletParams& l, double spread_degrees, double stalk_length, double stalk_width,
                          Rng& rng) {
  LeafShape shape;
  shape.stalks.push_back(
      StalkStroke({0, 0.02}, kPi + rng.Jitter(0.08), stalk_length, 0.12, stalk_width + 0.4, stalk_width));
  // The end leaflet sits on a short stalklet; the side ones on very short ones.
  Vec2 end_base{0, 0.09};
  shape.stalks.push_back(StalkStroke({0, -0.01}, 0, 0.11, 0, stalk_width, stalk_width));
  AddBlade(shape, Leaflet(l, end_base, rng.Jitter(0.05), 0, rng));
  LeafletParams side = l;
  side.length = l.length * 0.8;
  for (int s : {1, -1}) {
    double angle = s * Radians(spread_degrees + rng.Jitter(5));
    Vec2 base = Direction(angle) * 0.03;
    BladeParams leaflet = Leaflet(side, base, angle, 0.18 * s, rng);  // the outer half is the wider
    AddBlade(shape, leaflet);
    shape.stalks.push_back(Stalklet({0, 0.02}, leaflet, kSideStalkletReach, stalk_width, kStalkletEndWidth));
  }
  shape.blades.push_back(Hub({0, 0.02}, 0.02));
  return shape;
}

LeafShape BuildPalmateStar(Rng& rng) {
  LeafShape shape;
  shape.stalks.push_back(StalkStroke({0, 0.01}, kPi + rng.Jitter(0.1), 0.31, 0.2, 2.8, 2.3));
  const double angles[5] = {0, 58, -58, 122, -122};
  const double lengths[5] = {0.62, 0.56, 0.55, 0.42, 0.43};
  for (int i = 0; i < 5; ++i) {
    LeafletParams l;
    l.length = lengths[i];
    l.half_width = 0.165;
    l.widest = 0.6;
    l.teeth = 7;
    l.tooth_depth = 0.28;
    l.tip_bluntness = 1.25;
    l.vein_pairs = 5;
    double angle = Radians(angles[i] + rng.Jitter(4));
    BladeParams b = Leaflet(l, Direction(angle) * 0.008, angle, 0, rng);  // all meet at the stalk
    b.base_bluntness = 1.5;                                               // leaflets narrow to a wedge at their base
    b.teeth_from = 0.38;
    AddBlade(shape, b);
    shape.stalks.push_back(Stalklet({0, 0}, b, kWedgeStalkletReach, kStarStalkletWidth, kStalkletEndWidth));
  }
  shape.blades.push_back(Hub({0, 0}, 0.022));
  return shape;
}

LeafShape BuildPinnate(Rng& rng) {
  LeafShape shape;
  Stroke rachis;
  BladeParams axis;  // only used for its bent axis
  axis.length = 0.98;
  axis.bend = 0.05;
  for (int i = 0; i <= 30; ++i) rachis.points.push_back(BladeAxisPoint(axis, -0.14 + 1.0 * i / 30.0 * 1.0));
  rachis.width_start = 2.8;
  rachis.width_end = 2.1;
  shape.stalks.push_back(rachis);
  const int pairs = 6;
  for (int i = 0; i < pairs; ++i) {
    double t = 0.02 + 0.7 * i / (pairs - 1);
    for (int side : {1, -1}) {
      LeafletParams l;
      l.length = 0.36 * (0.78 + 0.3 * std::sin(kPi * (0.25 + 0.6 * t))) * (1 - 0.25 * t);
      l.half_width = 0.16;
      l.widest = 0.38;
      l.teeth = 6;
      l.tooth_depth = 0.16;
      l.tip_bluntness = 1.5;
      l.vein_pairs = 0;
      double angle = axis.angle + side * Radians(68 - 22 * t + rng.Jitter(5));
      BladeParams b = Leaflet(l, BladeAxisPoint(axis, t), angle, 0.08 * side, rng);
      b.midrib_width = 0.55;
      b.bend = side * 0.08;
      AddBlade(shape, b);
    }
  }
  LeafletParams end;
  end.length = 0.3;
  end.half_width = 0.16;
  end.widest = 0.4;
  end.teeth = 6;
  end.tooth_depth = 0.16;
  end.tip_bluntness = 1.5;
  end.vein_pairs = 0;
  BladeParams last = Leaflet(end, BladeAxisPoint(axis, 0.8), axis.angle + 0.1, 0, rng);
  last.midrib_width = 0.55;
  AddBlade(shape, last);
  return shape;
}

LeafShape BuildOval(Rng& rng) {
  LeafShape shape;
  BladeParams b;
  b.length = 1.0;
  b.half_width = 0.33;
  b.widest = 0.4;
  b.base_bluntness = 0.62;
  b.tip_bluntness = 1.55;
  b.teeth = 26;
  b.tooth_depth = 0.045;
  b.teeth_from = 0.15;
  b.vein_pairs = 8;
  b.vein_angle = 0.78;
  b.midrib_width = 1.1;
  b.vein_width = 0.55;
  b.bend = 0.04;
  b.asymmetry = 0.04;
  AddBlade(shape, b);
  shape.stalks.push_back(StalkStroke({0, 0.03}, kPi + rng.Jitter(0.1), 0.16, -0.25, 2.9, 2.4));
  return shape;
}

struct MapleParams {
  int lobes = 5;                // 3, 5 or 7 main lobes
  double spread_degrees = 125;  // angle of the outermost lobes from the axis
  double lobe_half_width = 0.3;
  double side_length = 0.86;  // length of the first side lobes relative to the middle one
  double low_length = 0.5;    // of the lowest lobes
  int teeth = 3;
  double tooth_depth = 0.35;
  bool side_lobelets = true;  // small secondary lobes on the larger lobes
  double hub = 0.13;
  double stalk_length = 0.35;
  double stalk_width = 3.0;
  double stalk_bow = 0.15;
};

LeafShape BuildMaple(const MapleParams& m, Rng& rng) {
  LeafShape shape;
  shape.stalks.push_back(
      StalkStroke({0, 0.02}, kPi + rng.Jitter(0.08), m.stalk_length, m.stalk_bow, m.stalk_width + 0.4, m.stalk_width));
  int half = m.lobes / 2;
  for (int i = -half; i <= half; ++i) {
    double f = half == 0 ? 0 : static_cast<double>(std::abs(i)) / half;  // 0 middle .. 1 lowest
    double angle = (i == 0 ? 0 : (i > 0 ? 1 : -1)) * Radians(m.spread_degrees * std::pow(f, 0.9) + rng.Jitter(4));
    BladeParams lobe;
    lobe.base = Direction(angle) * 0.02;
    lobe.angle = angle;
    lobe.length =
        (i == 0 ? 1.0 : Lerp(m.side_length, m.low_length, (f - 1.0 / half) / std::max(1e-9, 1 - 1.0 / half))) *
        (1 + rng.Jitter(0.05));
    if (half == 1 && i != 0) lobe.length = m.side_length;
    lobe.half_width = m.lobe_half_width * (1 + rng.Jitter(0.06)) * (1 - 0.15 * f);
    lobe.widest = 0.5;
    lobe.base_bluntness = 1.15;  // lobes narrow towards the middle: deep sinuses
    lobe.tip_bluntness = 1.3;
    lobe.bend = rng.Jitter(0.05) + (i == 0 ? 0 : (i > 0 ? 1 : -1)) * 0.04;
    lobe.teeth = m.teeth;
    lobe.tooth_depth = m.tooth_depth;
    lobe.teeth_from = 0.35;
    lobe.vein_pairs = lobe.length > 0.6 ? 3 : 2;
    lobe.vein_angle = 0.95;
    lobe.midrib_width = i == 0 ? 1.1 : 0.95;
    lobe.vein_width = 0.45;
    lobe.midrib_reach = 0.9;
    AddBlade(shape, lobe);
    if (m.side_lobelets && lobe.length > 0.6) {
      for (int side : {1, -1}) {
        BladeParams small;
        double t = 0.52 + rng.Jitter(0.04);
        small.base = BladeAxisPoint(lobe, t);
        small.angle = lobe.angle + side * Radians(58 + rng.Jitter(8));
        small.length = lobe.length * 0.32;
        small.half_width = 0.38;
        small.widest = 0.3;
        small.base_bluntness = 0.8;
        small.tip_bluntness = 1.4;
        small.teeth = 1;
        small.tooth_depth = 0.3;
        small.teeth_from = 0.4;
        small.midrib_width = 0.5;
        small.vein_width = 0.4;
        small.midrib_reach = 0.85;
        AddBlade(shape, small);
      }
    }
  }
  shape.blades.push_back(Hub({0, m.hub * 0.75}, m.hub));
  return shape;
}

Palette MakePalette(Rgb base, Rgb tip, Rgb edge, Rgb blotch, Rgb halo, Rgb stalk) {
  Palette p;
  p.base = base;
  p.tip = tip;
  p.edge = edge;
  p.blotch = blotch;
  p.vein_halo = halo;
  p.stalk = stalk;
  return p;
}

std::vector<LeafDesign> BuildDesigns() {
  std::vector<LeafDesign> designs;
  auto add = [&](std::string name, LeafKind kind, uint32_t seed, auto build, Palette palette) {
    LeafDesign d;
    d.name = std::move(name);
    d.kind = kind;
    d.seed = seed;
    Rng rng(seed);
    d.shape = build(rng);
    d.palette = palette;
    designs.push_back(std::move(d));
  };
  // 0: orange oak-like leaf, deeply lobed with pointed lobes.
  Palette oak =
      MakePalette({236, 150, 42}, {222, 98, 26}, {178, 82, 30}, {198, 114, 46}, {240, 170, 62}, {196, 118, 54});
  oak.blotch_amount = 0.5;  // browning patches
  add(
      "orange lobed", LeafKind::kLobedOak, 11, [](Rng& r) { return BuildOak(OakParams{}, r); }, oak);
  // 1: red three-leaflet leaf.
  Palette three_red =
      MakePalette({204, 44, 32}, {182, 26, 34}, {150, 28, 28}, {222, 86, 38}, {214, 70, 40}, {176, 56, 42});
  three_red.blotch_amount = 0.4;
  add(
      "red three-leaflet", LeafKind::kTrifoliate, 23,
      [](Rng& r) { return BuildTrifoliate(LeafletParams{}, 62, 0.3, 2.6, r); }, three_red);
  // 2: red five-leaflet star.
  Palette crimson =
      MakePalette({196, 30, 52}, {214, 52, 40}, {150, 24, 40}, {152, 24, 66}, {212, 64, 46}, {170, 54, 50});
  crimson.blotch_amount = 0.45;  // turning purple in places
  add(
      "red five-leaflet", LeafKind::kPalmateStar, 37, [](Rng& r) { return BuildPalmateStar(r); }, crimson);
  // 3: red feather-like leaf.
  add(
      "red feather", LeafKind::kPinnate, 41, [](Rng& r) { return BuildPinnate(r); },
      MakePalette({214, 56, 30}, {194, 32, 28}, {158, 34, 26}, {228, 96, 36}, {220, 84, 40}, {186, 70, 44}));
  // 4: yellow-orange oval leaf.
  add(
      "yellow-orange oval", LeafKind::kOval, 53, [](Rng& r) { return BuildOval(r); },
      MakePalette({242, 198, 58}, {234, 140, 34}, {206, 112, 36}, {236, 138, 40}, {246, 212, 96}, {200, 150, 60}));
  // 5: red narrow, deeply lobed leaf.
  OakParams narrow;
  narrow.lobe_pairs = 4;
  narrow.midrib_half_width = 0.08;
  narrow.lobe_length = 0.3;
  narrow.lobe_half_width = 0.24;
  narrow.lobe_teeth = 1;
  narrow.first_lobe = 0.16;
  narrow.last_lobe = 0.7;
  add(
      "red narrow lobed", LeafKind::kNarrowLobed, 67, [narrow](Rng& r) { return BuildOak(narrow, r); },
      MakePalette({198, 36, 32}, {178, 26, 38}, {146, 26, 28}, {214, 70, 36}, {206, 60, 38}, {170, 52, 40}));
  // 6: red maple with yellow flecks.
  Palette red_maple =
      MakePalette({208, 42, 32}, {192, 28, 32}, {156, 30, 30}, {220, 70, 34}, {218, 74, 38}, {180, 60, 40});
  red_maple.fleck = {240, 198, 52};
  red_maple.fleck_amount = 0.85;
  add(
      "red maple", LeafKind::kMaple, 71, [](Rng& r) { return BuildMaple(MapleParams{}, r); }, red_maple);
  // 7: orange maple, broad sugar-maple lobes.
  MapleParams orange;
  orange.lobe_half_width = 0.3;
  orange.teeth = 2;
  orange.tooth_depth = 0.3;
  orange.spread_degrees = 115;
  Palette orange_palette =
      MakePalette({242, 146, 38}, {228, 102, 28}, {190, 84, 30}, {226, 88, 32}, {244, 166, 58}, {200, 120, 52});
  orange_palette.blotch_amount = 0.5;  // reddening patches
  add(
      "orange maple", LeafKind::kMaple, 83, [orange](Rng& r) { return BuildMaple(orange, r); }, orange_palette);
  // 8: orange-red three-leaflet leaf on a thin stalk.
  LeafletParams thin;
  thin.half_width = 0.26;
  thin.teeth = 10;
  thin.tooth_depth = 0.14;
  add(
      "orange-red three-leaflet", LeafKind::kTrifoliate, 97,
      [thin](Rng& r) { return BuildTrifoliate(thin, 70, 0.45, 2.1, r); },
      MakePalette({232, 88, 32}, {212, 58, 30}, {176, 52, 30}, {240, 126, 42}, {236, 110, 44}, {192, 84, 44}));
  // 9: smaller, finely cut maple shading from red to yellow, with a long stalk.
  MapleParams small;
  small.lobes = 7;
  small.spread_degrees = 140;
  small.lobe_half_width = 0.2;
  small.side_length = 0.9;
  small.low_length = 0.45;
  small.teeth = 5;
  small.tooth_depth = 0.22;
  small.side_lobelets = false;
  small.hub = 0.16;
  small.stalk_length = 0.8;
  small.stalk_width = 2.3;
  small.stalk_bow = 0.12;
  Palette red_yellow =
      MakePalette({242, 196, 50}, {206, 40, 30}, {176, 40, 30}, {236, 150, 40}, {240, 190, 60}, {196, 120, 50});
  red_yellow.gradient_power = 1.4;
  add(
      "red-to-yellow maple", LeafKind::kMaple, 101, [small](Rng& r) { return BuildMaple(small, r); }, red_yellow);
  // 10: orange-red maple with a thin stalk.
  MapleParams thin_stalk;
  thin_stalk.stalk_length = 0.45;
  thin_stalk.stalk_width = 2.1;
  thin_stalk.teeth = 4;
  thin_stalk.tooth_depth = 0.28;
  add(
      "orange-red maple", LeafKind::kMaple, 113, [thin_stalk](Rng& r) { return BuildMaple(thin_stalk, r); },
      MakePalette({232, 84, 30}, {214, 56, 30}, {172, 50, 28}, {240, 120, 40}, {236, 104, 40}, {190, 80, 42}));
  // 11: yellow maple, broad Norway-maple lobes.
  MapleParams yellow;
  yellow.lobe_half_width = 0.32;
  yellow.teeth = 2;
  yellow.tooth_depth = 0.4;
  yellow.spread_degrees = 110;
  yellow.side_length = 0.9;
  yellow.hub = 0.16;
  // A last trace of green along the veins.
  Palette yellow_palette =
      MakePalette({246, 214, 62}, {240, 190, 46}, {214, 160, 44}, {236, 176, 50}, {212, 214, 92}, {206, 170, 70});
  yellow_palette.vein_halo_amount = 0.4;
  add(
      "yellow maple", LeafKind::kMaple, 127, [yellow](Rng& r) { return BuildMaple(yellow, r); }, yellow_palette);
  return designs;
}

Pose Turned(double degrees, bool mirrored = false, double squash = 1.0) { return Pose{degrees, mirrored, squash}; }

}  // namespace

const std::vector<LeafDesign>& Designs() {
  static const std::vector<LeafDesign> designs = BuildDesigns();
  return designs;
}

const std::vector<PictureSpec>& Pictures() {
  static const std::vector<PictureSpec> pictures = {
      {1, 0, Turned(42)},
      {2, 0, Turned(-8, true)},
      {3, 1, Turned(0)},
      {4, 2, Turned(0)},
      {5, 2, Turned(33, true, 0.92)},
      {6, 3, Turned(-14)},
      {7, 4, Turned(45)},
      {8, 4, Turned(-62, true)},
      {9, 4, Turned(150, false, 0.9)},
      {10, 5, Turned(4)},
      {11, 6, Turned(0)},
      {12, 6, Turned(28, false, 0.93)},
      {13, 6, Turned(-52, true)},
      {14, 6, Turned(172, false, 0.9)},
      {15, 7, Turned(8)},
      {16, 7, Turned(-36, true)},
      {17, 7, Turned(62, false, 0.92)},
      {18, 7, Turned(196, true)},
      {19, 8, Turned(84)},
      {20, 8, Turned(-112, true, 0.93)},
      {21, 9, Turned(14)},
      {22, 10, Turned(-18)},
      {23, 10, Turned(40, true, 0.92)},
      {24, 11, Turned(4)},
      {25, 11, Turned(-48, true, 0.93)},
  };
  return pictures;
}

Vec2 Placement::Inverse(Vec2 p) const {
  double det = m[0] * m[3] - m[1] * m[2];
  double x = p.x - ox, y = p.y - oy;
  return {(m[3] * x - m[1] * y) / det, (-m[2] * x + m[0] * y) / det};
}

Placement FitPlacement(const LeafShape& shape, const Pose& pose, double picture_size, double margin) {
  double theta = Radians(pose.tip_degrees);
  double c = std::cos(theta), s = std::sin(theta);
  double sx = pose.squash * (pose.mirrored ? -1 : 1);
  Placement place;
  // Leaf x (scaled by sx) goes to (c, s), leaf y (up) to (s, -c) in picture pixels (y down).
  place.m[0] = c * sx;
  place.m[1] = s;
  place.m[2] = s * sx;
  place.m[3] = -c;
  double lo_x = std::numeric_limits<double>::max(), lo_y = lo_x, hi_x = -lo_x, hi_y = -lo_x;
  auto take = [&](Vec2 q) {
    Vec2 p = place.Apply(q);
    lo_x = std::min(lo_x, p.x), hi_x = std::max(hi_x, p.x);
    lo_y = std::min(lo_y, p.y), hi_y = std::max(hi_y, p.y);
  };
  for (const auto& blade : shape.blades)
    for (Vec2 q : blade) take(q);
  for (const auto& stalk : shape.stalks)
    for (Vec2 q : stalk.points) take(q);
  double extent = std::max({hi_x - lo_x, hi_y - lo_y, 1e-9});
  double scale = (picture_size - 2 * margin) / extent;
  for (double& v : place.m) v *= scale;
  place.ox = picture_size / 2 - scale * (lo_x + hi_x) / 2;
  place.oy = picture_size / 2 - scale * (lo_y + hi_y) / 2;
  return place;
}

}  // namespace leafgen
