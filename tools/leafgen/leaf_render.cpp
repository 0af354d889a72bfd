#include "leaf_render.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace leafgen {
namespace {

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }
Rgb Mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb Scale(Rgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

// One 8-bit coverage plane rasterised by cairo.
class CoveragePlane {
 public:
  explicit CoveragePlane(int size)
      : size_(size), surface_(cairo_image_surface_create(CAIRO_FORMAT_A8, size, size)), cr_(cairo_create(surface_)) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_BEST);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  }
  CoveragePlane(const CoveragePlane&) = delete;
  CoveragePlane& operator=(const CoveragePlane&) = delete;
  ~CoveragePlane() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  cairo_t* cr() { return cr_; }

  // Coverage 0..1 of every sample, top row first.
  std::vector<float> Read() {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    std::vector<float> out(static_cast<size_t>(size_) * size_);
    for (int y = 0; y < size_; ++y)
      for (int x = 0; x < size_; ++x) out[static_cast<size_t>(y) * size_ + x] = data[y * stride + x] / 255.0f;
    return out;
  }

 private:
  int size_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void AddPolygon(cairo_t* cr, const std::vector<Vec2>& points) {
  if (points.empty()) return;
  cairo_move_to(cr, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
  cairo_close_path(cr);
}

// A tapering band around a polyline given in device samples, widths in device samples.
std::vector<Vec2> Band(const std::vector<Vec2>& line, double width_start, double width_end) {
  std::vector<Vec2> left, right;
  size_t n = line.size();
  for (size_t i = 0; i < n; ++i) {
    Vec2 prev = line[i == 0 ? 0 : i - 1], next = line[i + 1 < n ? i + 1 : n - 1];
    Vec2 tangent = next - prev;
    double len = Length(tangent);
    Vec2 normal = len > 0 ? Perpendicular(tangent) * (1.0 / len) : Vec2{0, 0};
    double t = n > 1 ? static_cast<double>(i) / (n - 1) : 0;
    double half = (width_start + (width_end - width_start) * t) / 2;
    left.push_back(line[i] + normal * half);
    right.push_back(line[i] - normal * half);
  }
  std::vector<Vec2> band = left;
  band.insert(band.end(), right.rbegin(), right.rend());
  return band;
}

// Distance in samples from every inside sample to the nearest outside one (two-pass chamfer).
std::vector<float> DistanceInside(const std::vector<float>& coverage, int n) {
  const float kFar = 1e6f, kStraight = 1.0f, kDiagonal = 1.41421356f;
  std::vector<float> d(coverage.size());
  for (size_t i = 0; i < d.size(); ++i) d[i] = coverage[i] >= 0.5f ? kFar : 0.0f;
  auto at = [&](int x, int y) -> float {
    return x < 0 || y < 0 || x >= n || y >= n ? 0.0f : d[static_cast<size_t>(y) * n + x];
  };
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      float& v = d[static_cast<size_t>(y) * n + x];
      if (v == 0) continue;
      v = std::min({v, at(x - 1, y) + kStraight, at(x, y - 1) + kStraight, at(x - 1, y - 1) + kDiagonal,
                    at(x + 1, y - 1) + kDiagonal});
    }
  for (int y = n - 1; y >= 0; --y)
    for (int x = n - 1; x >= 0; --x) {
      float& v = d[static_cast<size_t>(y) * n + x];
      if (v == 0) continue;
      v = std::min({v, at(x + 1, y) + kStraight, at(x, y + 1) + kStraight, at(x + 1, y + 1) + kDiagonal,
                    at(x - 1, y + 1) + kDiagonal});
    }
  return d;
}

// Box blur of radius r, twice, which is close to a Gaussian.
std::vector<float> Blur(std::vector<float> plane, int n, int r) {
  std::vector<float> tmp(plane.size());
  for (int pass = 0; pass < 2; ++pass) {
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        float sum = 0;
        for (int k = -r; k <= r; ++k) sum += plane[static_cast<size_t>(y) * n + std::clamp(x + k, 0, n - 1)];
        tmp[static_cast<size_t>(y) * n + x] = sum / (2 * r + 1);
      }
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        float sum = 0;
        for (int k = -r; k <= r; ++k) sum += tmp[static_cast<size_t>(std::clamp(y + k, 0, n - 1)) * n + x];
        plane[static_cast<size_t>(y) * n + x] = sum / (2 * r + 1);
      }
  }
  return plane;
}

}  // namespace

double ValueNoise(double x, double y, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto corner = [&](int32_t dx, int32_t dy) { return (Hash(ix + dx, iy + dy, seed) >> 8) * (1.0 / 16777215.0); };
  double top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * tx;
  double bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * tx;
  return top + (bottom - top) * ty;
}

double Flecks(double x, double y, double cell, double chance, uint32_t seed) {
  double fx = std::floor(x / cell), fy = std::floor(y / cell);
  double strongest = 0;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      auto cx = static_cast<int32_t>(fx) + dx, cy = static_cast<int32_t>(fy) + dy;
      uint32_t h = Hash(cx, cy, seed);
      if ((h & 0xFFFF) >= chance * 65536) continue;
      uint32_t h2 = Hash(cx, cy, seed + 1);
      double px = (cx + 0.15 + 0.7 * ((h >> 16) & 0xFF) / 255.0) * cell;
      double py = (cy + 0.15 + 0.7 * (h >> 24) / 255.0) * cell;
      double radius = cell * (0.18 + 0.3 * (h2 & 0xFF) / 255.0);
      double d = std::hypot(x - px, y - py) / radius;
      double strength = 0.55 + 0.45 * ((h2 >> 8) & 0xFF) / 255.0;
      strongest = std::max(strongest, strength * (1 - Smoothstep(0.5, 1.0, d)));
    }
  return strongest;
}

double FractalNoise(double x, double y, uint32_t seed, int octaves) {
  double sum = 0, weight = 0, amplitude = 1, frequency = 1;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * ValueNoise(x * frequency, y * frequency, seed + 101u * static_cast<uint32_t>(i));
    weight += amplitude;
    amplitude *= 0.5;
    frequency *= 2.03;
  }
  return sum / weight;
}

RenderedPicture RenderPicture(const LeafDesign& design, const Pose& pose, int size, int supersample) {
  const LeafShape& shape = design.shape;
  const Palette& pal = design.palette;
  const int n = size * supersample;
  const double ss = supersample;
  const Placement place = FitPlacement(shape, pose, size, 2.5);
  auto device = [&](Vec2 q) { return place.Apply(q) * ss; };
  auto device_line = [&](const std::vector<Vec2>& points) {
    std::vector<Vec2> out;
    for (Vec2 q : points) out.push_back(device(q));
    return out;
  };

  CoveragePlane blade_plane(n), stalk_plane(n), vein_plane(n);
  for (const auto& blade : shape.blades) AddPolygon(blade_plane.cr(), device_line(blade));
  cairo_fill(blade_plane.cr());
  for (const auto& stalk : shape.stalks) {
    AddPolygon(stalk_plane.cr(), Band(device_line(stalk.points), stalk.width_start * ss, stalk.width_end * ss));
    cairo_fill(stalk_plane.cr());
  }
  for (const auto& vein : shape.veins) {
    cairo_set_source_rgba(vein_plane.cr(), 0, 0, 0, vein.strength);
    AddPolygon(vein_plane.cr(), Band(device_line(vein.points), vein.width_start * ss, vein.width_end * ss));
    cairo_fill(vein_plane.cr());
  }
  const std::vector<float> blade = blade_plane.Read();
  const std::vector<float> stalk = stalk_plane.Read();
  const std::vector<float> vein = vein_plane.Read();
  std::vector<float> body(blade.size());
  for (size_t i = 0; i < body.size(); ++i) body[i] = 1 - (1 - blade[i]) * (1 - stalk[i]);
  const std::vector<float> inside = DistanceInside(blade, n);
  const std::vector<float> vein_halo = Blur(vein, n, static_cast<int>(std::lround(1.2 * ss)));

  double reach = 1e-9;
  for (const auto& outline : shape.blades)
    for (Vec2 q : outline) reach = std::max(reach, Length(q - shape.origin));

  // The relief of the blade: it arches up between the margin and the veins and ripples a
  // little; lit from the upper left like a photograph with a soft key light.
  std::vector<float> height(blade.size());
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      size_t i = static_cast<size_t>(y) * n + x;
      Vec2 q = place.Inverse({(x + 0.5) / ss, (y + 0.5) / ss});
      double d = inside[i] / ss;
      double arch = 1 - std::pow(1 - Clamp01(d / 4.0), 2.0);
      double ripple = FractalNoise(q.x * 5 + 3.7, q.y * 5 + 1.3, design.seed + 7, 2) - 0.5;
      height[i] = static_cast<float>(design.bulge * (0.8 * arch - 0.9 * vein_halo[i] + 1.1 * ripple));
    }
  const double lx = -0.42, ly = -0.56, lz = 0.71;  // towards the light, picture y pointing down
  const double hx = lx, hy = ly, hz = lz + 1;      // halfway to the viewer
  const double hlen = std::sqrt(hx * hx + hy * hy + hz * hz);

  std::vector<double> acc(static_cast<size_t>(size) * size * 3, 0.0);
  std::vector<double> cover(static_cast<size_t>(size) * size, 0.0);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      size_t i = static_cast<size_t>(y) * n + x;
      size_t o = static_cast<size_t>(y / supersample) * size + x / supersample;
      cover[o] += body[i];
      if (body[i] <= 0) continue;
      Vec2 q = place.Inverse({(x + 0.5) / ss, (y + 0.5) / ss});
      double t = Clamp01(Length(q - shape.origin) / reach);
      Rgb c = Mix(pal.base, pal.tip, Smoothstep(0.0, 1.0, std::pow(t, pal.gradient_power)));
      double blotch = FractalNoise(q.x * 3.1 + 11.3, q.y * 3.1 + 5.9, design.seed, 3);
      c = Mix(c, pal.blotch, Smoothstep(0.48, 0.72, blotch) * pal.blotch_amount);
      if (pal.fleck_amount > 0) {
        // Flecks gather in patches rather than dotting the blade evenly.
        double gather = Smoothstep(0.2, 0.48, FractalNoise(q.x * 4 + 6.1, q.y * 4 + 2.8, design.seed + 4, 2));
        c = Mix(c, pal.fleck, Flecks(q.x, q.y, 0.06, 0.7, design.seed + 3) * gather * pal.fleck_amount);
      }
      c = Mix(c, pal.vein_halo, Clamp01(vein_halo[i] * 1.6) * pal.vein_halo_amount);
      double d = inside[i] / ss;
      c = Mix(c, pal.edge, (1 - Smoothstep(0.4, 2.4, d)) * pal.edge_amount * blade[i]);
      c = Scale(c, 1 + 0.12 * (FractalNoise(q.x * 9 + 4.2, q.y * 9 + 0.7, design.seed + 5, 3) - 0.5));
      c = Scale(c, 1 - pal.vein_darkening * vein[i] * blade[i]);
      double stalk_share = stalk[i] * (1 - blade[i]);
      c = Mix(c, Scale(pal.stalk, 0.95 + 0.1 * ValueNoise(q.x * 20, q.y * 20, design.seed + 9)), stalk_share);

      // Light: the slope of the relief (in picture pixels) tilts the surface normal.
      auto h = [&](int xx, int yy) {
        return height[static_cast<size_t>(std::clamp(yy, 0, n - 1)) * n + std::clamp(xx, 0, n - 1)];
      };
      double gx = (h(x + 1, y) - h(x - 1, y)) * ss / 2, gy = (h(x, y + 1) - h(x, y - 1)) * ss / 2;
      double nlen = std::sqrt(gx * gx + gy * gy + 1);
      double nx = -gx / nlen, ny = -gy / nlen, nz = 1 / nlen;
      double diffuse = (nx * lx + ny * ly + nz * lz) / lz;
      double shade = std::clamp(1 + 0.5 * (diffuse - 1), 0.75, 1.18);
      double spec = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hlen), 40) * 0.1;
      c = Scale(c, shade);
      c = Mix(c, {255, 245, 225}, spec);

      // Keep every part of the leaf clearly brighter than the keyed-out background, and no
      // channel at full scale, where the encoder's colour bleeding is worst.
      double brightest = std::max({c.r, c.g, c.b});
      if (brightest < 140) c = Scale(c, 140 / brightest);
      c = {std::min(c.r, 246.0), std::min(c.g, 246.0), std::min(c.b, 246.0)};
      acc[o * 3 + 0] += c.r * body[i];
      acc[o * 3 + 1] += c.g * body[i];
      acc[o * 3 + 2] += c.b * body[i];
    }

  RenderedPicture out;
  out.size = size;
  out.rgb.resize(static_cast<size_t>(size) * size * 3);
  out.mask.resize(static_cast<size_t>(size) * size);
  out.coverage.resize(out.mask.size());
  const double samples = ss * ss;
  for (size_t o = 0; o < out.mask.size(); ++o) {
    for (int k = 0; k < 3; ++k)
      out.rgb[o * 3 + k] = static_cast<uint8_t>(std::clamp(std::floor(acc[o * 3 + k] / samples + 0.5), 0.0, 255.0));
    out.coverage[o] = static_cast<float>(cover[o] / samples);
    out.mask[o] = out.coverage[o] >= 0.5f ? 1 : 0;
  }
  return out;
}

}  // namespace leafgen
