#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "jpeg_io.h"
#include "leaf_model.h"
#include "leaf_render.h"
#include "mask_text.h"

namespace leafgen {
namespace {

// ---- the picture set ------------------------------------------------------------------

LeafKind KindOf(int index) {
  return Designs().at(static_cast<size_t>(Pictures().at(static_cast<size_t>(index - 1)).design)).kind;
}

TEST(PictureSet, FollowsTheTableOfKinds) {
  ASSERT_EQ(Pictures().size(), 25u);
  for (size_t i = 0; i < Pictures().size(); ++i) {
    EXPECT_EQ(Pictures()[i].index, static_cast<int>(i) + 1);
    ASSERT_GE(Pictures()[i].design, 0);
    ASSERT_LT(Pictures()[i].design, static_cast<int>(Designs().size()));
  }
  std::map<int, LeafKind> expected = {
      {1, LeafKind::kLobedOak},     {2, LeafKind::kLobedOak},    {3, LeafKind::kTrifoliate},
      {4, LeafKind::kPalmateStar},  {5, LeafKind::kPalmateStar}, {6, LeafKind::kPinnate},
      {7, LeafKind::kOval},         {8, LeafKind::kOval},        {9, LeafKind::kOval},
      {10, LeafKind::kNarrowLobed}, {19, LeafKind::kTrifoliate}, {20, LeafKind::kTrifoliate}};
  for (int i : {11, 12, 13, 14, 15, 16, 17, 18, 21, 22, 23, 24, 25}) expected[i] = LeafKind::kMaple;
  for (auto [index, kind] : expected) EXPECT_EQ(KindOf(index), kind) << "Image" << index;
}

TEST(PictureSet, TurnedPicturesShowTheSameLeafInAnotherPose) {
  const std::vector<std::vector<int>> same_leaf = {{1, 2},           {4, 5},   {7, 8, 9}, {11, 12, 13, 14},
                                                   {15, 16, 17, 18}, {19, 20}, {22, 23},  {24, 25}};
  std::set<int> designs_of_groups;
  for (const auto& group : same_leaf) {
    const PictureSpec& first = Pictures()[static_cast<size_t>(group[0] - 1)];
    designs_of_groups.insert(first.design);
    for (size_t k = 1; k < group.size(); ++k) {
      const PictureSpec& other = Pictures()[static_cast<size_t>(group[k] - 1)];
      EXPECT_EQ(other.design, first.design) << "Image" << group[k];
      EXPECT_TRUE(other.pose.tip_degrees != first.pose.tip_degrees || other.pose.mirrored != first.pose.mirrored)
          << "Image" << group[k] << " is not turned";
    }
  }
  EXPECT_EQ(designs_of_groups.size(), same_leaf.size()) << "each group is a leaf of its own";
  // The leaves the table lists once are each their own design too: 3, 6, 10 and 21.
  std::set<int> all;
  for (const auto& p : Pictures()) all.insert(p.design);
  EXPECT_EQ(all.size(), same_leaf.size() + 4);
}

// Every colour a leaf can take stays clear of the key threshold and of full-scale channels.
TEST(PictureSet, PaletteColoursAreBrightButNeverFullScale) {
  for (const LeafDesign& d : Designs()) {
    const Palette& p = d.palette;
    std::vector<Rgb> used = {p.base, p.tip, p.edge, p.blotch, p.vein_halo, p.stalk};
    if (p.fleck_amount > 0) used.push_back(p.fleck);
    for (Rgb c : used) {
      EXPECT_LT(std::max({c.r, c.g, c.b}), 250) << d.name;
      EXPECT_GE(std::max({c.r, c.g, c.b}), 140) << d.name;
    }
  }
}

// ---- blades and placement -------------------------------------------------------------

BladeParams SampleBlade() {
  BladeParams p;
  p.base = {0.1, -0.2};
  p.angle = 0.4;
  p.length = 0.8;
  p.half_width = 0.3;
  p.widest = 0.35;
  p.teeth = 9;
  p.tooth_depth = 0.3;
  p.asymmetry = 0.1;
  p.bend = 0.05;
  return p;
}

TEST(Blade, ProfileIsWidestWhereAskedAndClosedAtBothEnds) {
  BladeParams p = SampleBlade();
  EXPECT_NEAR(BladeProfile(p, 0.0), 0.0, 1e-9);
  EXPECT_NEAR(BladeProfile(p, 1.0), 0.0, 1e-9);
  EXPECT_NEAR(BladeProfile(p, p.widest), p.half_width * p.length, 1e-9);
  for (double t = 0.01; t < 1; t += 0.01) EXPECT_LE(BladeProfile(p, t), p.half_width * p.length + 1e-12) << t;
  EXPECT_NEAR(Length(BladeAxisPoint(p, 0) - p.base), 0, 1e-12);
}

// Teeth cut into the blade; they never stick out beyond its smooth profile.
TEST(Blade, ToothedOutlineStaysWithinTheSmoothProfile) {
  BladeParams p = SampleBlade();
  std::vector<Vec2> outline = BladeOutline(p, 120);
  ASSERT_EQ(outline.size(), 2u * 120 - 2);
  BladeParams smooth = p;
  smooth.teeth = 0;
  std::vector<Vec2> smooth_outline = BladeOutline(smooth, 120);
  double cut = 0;
  for (size_t i = 0; i < outline.size(); ++i) {
    double t = i < 120 ? i / 119.0 : (2 * 120 - 2 - i) / 119.0;
    Vec2 axis = BladeAxisPoint(p, t);
    double toothed = Length(outline[i] - axis), plain = Length(smooth_outline[i] - axis);
    EXPECT_LE(toothed, plain + 1e-9) << i;
    cut = std::max(cut, plain - toothed);
  }
  EXPECT_GT(cut, 0.01) << "the teeth show";
}

TEST(Blade, AddsItsOutlineMidribAndSideVeins) {
  LeafShape shape;
  BladeParams p = SampleBlade();
  p.vein_pairs = 4;
  p.bend = 0;  // a straight midrib, so its sides are simply the two half-planes
  AddBlade(shape, p);
  EXPECT_EQ(shape.blades.size(), 1u);
  ASSERT_EQ(shape.veins.size(), 1u + 2 * 4);
  // Side veins start on the midrib and end inside the blade, on both sides of it.
  Vec2 dir = Direction(p.angle);
  int left = 0;
  for (size_t v = 1; v < shape.veins.size(); ++v) {
    const auto& points = shape.veins[v].points;
    Vec2 from = points.front() - p.base, to = points.back() - p.base;
    EXPECT_LT(std::fabs(from.x * dir.y - from.y * dir.x), 0.05 * p.length);
    EXPECT_LT(Length(to - from), p.length * 0.7);
    if (to.x * dir.y - to.y * dir.x < 0) ++left;
  }
  EXPECT_EQ(left, 4);
}

TEST(Placement, FitsEveryLeafInsideTheFrameAndInverts) {
  for (const PictureSpec& spec : Pictures()) {
    SCOPED_TRACE(spec.index);
    const LeafShape& shape = Designs()[static_cast<size_t>(spec.design)].shape;
    Placement place = FitPlacement(shape, spec.pose, 100, 3);
    double lo = 1e9, hi = -1e9, extent_x_lo = 1e9, extent_x_hi = -1e9, extent_y_lo = 1e9, extent_y_hi = -1e9;
    std::vector<Vec2> points;
    for (const auto& blade : shape.blades) points.insert(points.end(), blade.begin(), blade.end());
    for (const auto& stalk : shape.stalks) points.insert(points.end(), stalk.points.begin(), stalk.points.end());
    for (Vec2 q : points) {
      Vec2 p = place.Apply(q);
      lo = std::min({lo, p.x, p.y}), hi = std::max({hi, p.x, p.y});
      extent_x_lo = std::min(extent_x_lo, p.x), extent_x_hi = std::max(extent_x_hi, p.x);
      extent_y_lo = std::min(extent_y_lo, p.y), extent_y_hi = std::max(extent_y_hi, p.y);
      Vec2 back = place.Inverse(p);
      EXPECT_NEAR(back.x, q.x, 1e-9);
      EXPECT_NEAR(back.y, q.y, 1e-9);
    }
    EXPECT_GE(lo, 3 - 1e-9);
    EXPECT_LE(hi, 97 + 1e-9);
    EXPECT_NEAR(std::max(extent_x_hi - extent_x_lo, extent_y_hi - extent_y_lo), 94, 1e-9) << "fills the frame";
    double det = place.m[0] * place.m[3] - place.m[1] * place.m[2];
    // Picture y points down: an unmirrored leaf flips orientation once, a mirrored one twice.
    EXPECT_EQ(det < 0, !spec.pose.mirrored);
  }
}

TEST(Placement, TipPointsWhereThePoseSays) {
  LeafShape shape;
  shape.blades.push_back({{-0.1, 0}, {0, 1}, {0.1, 0}});
  for (double degrees : {0.0, 90.0, 180.0, -45.0}) {
    Placement place = FitPlacement(shape, Pose{degrees, false, 1.0}, 100, 0);
    Vec2 tip = place.Apply({0, 1}) - place.Apply({0, 0});
    double rad = degrees * 3.14159265358979 / 180;
    EXPECT_NEAR(tip.x / Length(tip), std::sin(rad), 1e-9) << degrees;
    EXPECT_NEAR(tip.y / Length(tip), -std::cos(rad), 1e-9) << degrees;
  }
}

// ---- noise ----------------------------------------------------------------------------

TEST(Noise, IsBoundedSmoothAndRepeatable) {
  for (int i = 0; i < 400; ++i) {
    double x = i * 0.37 - 50, y = i * 0.11 + 7;
    double v = ValueNoise(x, y, 5), f = FractalNoise(x, y, 5, 3), s = Flecks(x, y, 0.5, 0.6, 5);
    for (double value : {v, f, s}) {
      EXPECT_GE(value, 0);
      EXPECT_LE(value, 1);
    }
    EXPECT_EQ(v, ValueNoise(x, y, 5));
    EXPECT_LT(std::fabs(ValueNoise(x + 1e-4, y, 5) - v), 1e-3) << "continuous";
  }
  EXPECT_NE(ValueNoise(0.5, 0.5, 1), ValueNoise(0.5, 0.5, 2)) << "seeds differ";
  for (int i = 0; i < 50; ++i) EXPECT_EQ(Flecks(i * 0.3, i * 0.7, 0.2, 0.0, 9), 0.0) << "no spots at chance 0";
}

// ---- masks as text --------------------------------------------------------------------

TEST(MaskText, RowsRoundTripThroughHex) {
  for (int size : {100, 7, 1}) {
    std::vector<uint8_t> row(static_cast<size_t>(size));
    for (int x = 0; x < size; ++x) row[static_cast<size_t>(x)] = static_cast<uint8_t>((x * 7 + x / 3) % 2);
    std::string hex = MaskRowHex(row.data(), size);
    EXPECT_EQ(hex.size(), static_cast<size_t>((size + 3) / 4));
    std::vector<uint8_t> back;
    ASSERT_TRUE(MaskRowFromHex(hex, size, back));
    EXPECT_EQ(back, row) << size;
  }
  uint8_t left_only[4] = {1, 0, 0, 0};
  EXPECT_EQ(MaskRowHex(left_only, 4), "8") << "the leftmost pixel is the highest bit";
  std::vector<uint8_t> row;
  EXPECT_FALSE(MaskRowFromHex("0g", 8, row));
  EXPECT_FALSE(MaskRowFromHex("0", 8, row));
  EXPECT_FALSE(MaskRowFromHex("0F", 8, row)) << "digits are lower case";
}

TEST(MaskText, IncludeHoldsEveryRowOfEveryMask) {
  std::vector<std::vector<uint8_t>> masks(2, std::vector<uint8_t>(16, 0));
  masks[1][5] = 1;
  std::string text = MasksInclude(masks, 4);
  EXPECT_NE(text.find("kLeafMaskSize = 4;"), std::string::npos);
  EXPECT_NE(text.find("kLeafMasks[2][4]"), std::string::npos);
  EXPECT_NE(text.find("\"4\""), std::string::npos) << "row 1 of mask 2: pixel 1 set";
  EXPECT_EQ(std::count(text.begin(), text.end(), '"'), 2 * 2 * 4);
}

// ---- rendering and encoding -----------------------------------------------------------

// Each picture is drawn once for all the tests that look at it.
const RenderedPicture& Rendered(int index) {
  static std::map<int, RenderedPicture> drawn;
  auto found = drawn.find(index);
  if (found != drawn.end()) return found->second;
  const PictureSpec& spec = Pictures().at(static_cast<size_t>(index - 1));
  return drawn.emplace(index, RenderPicture(Designs()[static_cast<size_t>(spec.design)], spec.pose)).first->second;
}

class RenderedDesign : public ::testing::TestWithParam<int> {};

// Before encoding: wholly uncovered pixels are pure black, wholly covered ones bright but
// never full scale, and the mask marks the pixels at least half covered.
TEST_P(RenderedDesign, CoverageSeparatesBlackBackgroundFromBrightLeaf) {
  const RenderedPicture& p = Rendered(GetParam());
  ASSERT_EQ(p.size, 100);
  ASSERT_EQ(p.rgb.size(), 100u * 100 * 3);
  ASSERT_EQ(p.coverage.size(), 100u * 100);
  int full = 0, empty = 0;
  for (size_t i = 0; i < p.coverage.size(); ++i) {
    const uint8_t* c = &p.rgb[i * 3];
    int brightest = std::max({c[0], c[1], c[2]});
    EXPECT_EQ(p.mask[i], p.coverage[i] >= 0.5f ? 1 : 0);
    if (p.coverage[i] >= 1.0f) {
      ++full;
      EXPECT_GE(brightest, 139) << i;
      EXPECT_LE(brightest, 246) << i;
    } else if (p.coverage[i] <= 0.0f) {
      ++empty;
      EXPECT_EQ(brightest, 0) << i;
    }
  }
  EXPECT_GT(full, 1000);
  EXPECT_GT(empty, 2000);
}

// The sprite builder keeps a pixel as leaf when any of its channels is above this.
constexpr int kKeyThreshold = 100;
// A kept piece smaller than this is a speck, not a part of a leaf.
constexpr int kSpeckSize = 10;

// The sizes of the 8-connected pieces of the kept pixels, largest first.
std::vector<int> PieceSizes(const std::vector<uint8_t>& kept, int size) {
  std::vector<uint8_t> seen(kept.size(), 0);
  std::vector<int> sizes;
  for (size_t start = 0; start < kept.size(); ++start) {
    if (!kept[start] || seen[start]) continue;
    std::vector<size_t> todo = {start};
    seen[start] = 1;
    int count = 0;
    while (!todo.empty()) {
      size_t i = todo.back();
      todo.pop_back();
      ++count;
      int x = static_cast<int>(i) % size, y = static_cast<int>(i) / size;
      for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, size - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, size - 1); ++xx) {
          size_t j = static_cast<size_t>(yy) * size + xx;
          if (kept[j] && !seen[j]) seen[j] = 1, todo.push_back(j);
        }
    }
    sizes.push_back(count);
  }
  std::sort(sizes.rbegin(), sizes.rend());
  return sizes;
}

TEST(Pieces, PixelsTouchingAtACornerAreOnePiece) {
  std::vector<uint8_t> kept = {1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(PieceSizes(kept, 4), (std::vector<int>{2, 2}));
}

// Whether the pixel and its eight neighbours are all leaf or all background: the antialiased
// outline may key either way, everything clear of it must key as the mask says.
bool ClearOfOutline(const std::vector<uint8_t>& mask, int size, int x, int y) {
  for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, size - 1); ++yy)
    for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, size - 1); ++xx)
      if (mask[static_cast<size_t>(yy) * size + xx] != mask[static_cast<size_t>(y) * size + x]) return false;
  return true;
}

// Encoded as committed, decoded as the saver decodes and keyed as its sprite builder keys,
// every leaf is one piece: no leaflet floats free of the stalk, no speck is kept, and away
// from the outline no background pixel survives the key and no leaf pixel falls under it.
TEST_P(RenderedDesign, KeyedPictureIsOnePieceOfLeaf) {
  const RenderedPicture& p = Rendered(GetParam());
  std::vector<uint8_t> rgb;
  int width = 0, height = 0;
  ASSERT_TRUE(DecodeJpeg(EncodeJpeg(p.rgb, p.size, p.size, kPictureQuality), rgb, width, height));
  ASSERT_EQ(rgb.size(), p.rgb.size());
  std::vector<uint8_t> kept(p.mask.size());
  int halo = 0, holes = 0;
  for (int y = 0; y < p.size; ++y)
    for (int x = 0; x < p.size; ++x) {
      size_t i = static_cast<size_t>(y) * p.size + x;
      kept[i] = std::max({rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]}) > kKeyThreshold ? 1 : 0;
      if (ClearOfOutline(p.mask, p.size, x, y) && kept[i] != p.mask[i]) ++(kept[i] ? halo : holes);
    }
  std::vector<int> pieces = PieceSizes(kept, p.size);
  ASSERT_FALSE(pieces.empty());
  std::string sizes;
  for (int piece : pieces) sizes += " " + std::to_string(piece);
  EXPECT_EQ(pieces.size(), 1u) << "pieces of" << sizes;
  EXPECT_GE(pieces.back(), kSpeckSize) << "pieces of" << sizes;
  EXPECT_EQ(halo, 0) << "background pixels kept";
  EXPECT_EQ(holes, 0) << "leaf pixels keyed out";
}
INSTANTIATE_TEST_SUITE_P(AllPictures, RenderedDesign, ::testing::Range(1, 26));

TEST(Render, SameDesignGivesTheSameBytes) {
  const PictureSpec& spec = Pictures()[10];
  const RenderedPicture& a = Rendered(spec.index);
  RenderedPicture b = RenderPicture(Designs()[static_cast<size_t>(spec.design)], spec.pose);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_EQ(a.mask, b.mask);
  EXPECT_EQ(EncodeJpeg(a.rgb, 100, 100, kPictureQuality), EncodeJpeg(b.rgb, 100, 100, kPictureQuality));
}

TEST(Jpeg, EncodedPictureDecodesCloseToTheOriginal) {
  const RenderedPicture& p = Rendered(1);
  std::vector<uint8_t> jpeg = EncodeJpeg(p.rgb, 100, 100, kPictureQuality);
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  ASSERT_TRUE(DecodeJpeg(jpeg, rgb, w, h));
  ASSERT_EQ(w, 100);
  ASSERT_EQ(h, 100);
  double error = 0;
  for (size_t i = 0; i < rgb.size(); ++i) error += std::abs(int{rgb[i]} - int{p.rgb[i]});
  EXPECT_LT(error / rgb.size(), 4.0);
}

TEST(Jpeg, DecoderRejectsDamagedData) {
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  EXPECT_FALSE(DecodeJpeg({}, rgb, w, h));
  EXPECT_FALSE(DecodeJpeg({0xFF, 0xD8, 0xFF, 0x00, 0x12}, rgb, w, h));
}

}  // namespace
}  // namespace leafgen
