#include "runtime/cartoon_object.h"

#include <algorithm>
#include <cstdio>

#include "definition/kinds.h"
#include "runtime/images/picture.h"
#include "runtime/text/text_image.h"

namespace corvelin {

namespace op = def::object_prop;

CartoonObject::CartoonObject(LiveWindow& window, LiveComponent& component)
    : window_(window), component_(component) {}

int32_t CartoonObject::Int(int32_t index) const {
  return component_.own[static_cast<size_t>(index - def::kFirstOwnProperty)].integer;
}

std::string_view CartoonObject::Bytes(int32_t index) const {
  return component_.own[static_cast<size_t>(index - def::kFirstOwnProperty)].bytes;
}

std::string_view CartoonObject::name_gbk() const {
  return component_.def->name_gbk;
}
ControlNumber CartoonObject::number() const {
  return component_.def->number;
}
std::string_view CartoonObject::create_sound() const {
  return Bytes(op::kCreateSound);
}

void CartoonObject::Create() {
  // A template is never shown; it only forms its image, once.
  component_.visible = false;
  Environment& env = window_.env();
  const std::string_view text = Bytes(op::kText);
  const std::string_view picture = Bytes(op::kPicture);
  if (!text.empty()) {
    const std::optional<platform::FontSpec> font = ParseLogFont(Bytes(op::kFont));
    image_ = MakeTextImage(env.backend(), text, font ? &*font : nullptr,
                           static_cast<uint32_t>(Int(op::kTextColor)));
    if (!image_) diagnostic_ = "the text has no measurable size";
  } else if (!picture.empty()) {
    TransparencyRule rule;
    rule.from_top_left = Int(op::kAutoGetTransColor) != 0;
    rule.colour = static_cast<uint32_t>(Int(op::kTransparentColor));
    const auto* data = reinterpret_cast<const uint8_t*>(picture.data());
    PictureResult result = DecodePicture({data, picture.size()}, rule);
    image_ = std::move(result.image);
    diagnostic_ = std::move(result.diagnostic);
  }
  if (!diagnostic_.empty()) {
    // Not fatal: the template simply has no image and its sprites draw
    // nothing. Say so where a developer will see it.
    std::fprintf(stderr, "Corvelin: %s has no image: %s\n",
                 env.Describe(window_.number(), number()).c_str(), diagnostic_.c_str());
  }
}

SharedImage CartoonObject::Prepared(int32_t zoom, int32_t turn, int32_t light,
                                    uint32_t trend_colour, int32_t trend_depth) {
  if (!image_) return nullptr;
  const bool neutral_colour = light == 0 && trend_depth <= 0;
  if ((zoom == 1000 || zoom == 0) && turn == 0 && neutral_colour) return image_;
  const auto key = std::make_tuple(zoom, turn, light, trend_colour, trend_depth);
  auto it = prepared_.find(key);
  if (it != prepared_.end()) return it->second;
  SharedImage img = ZoomImage(image_, zoom);
  img = AdjustImage(img, turn, light, trend_colour, trend_depth);
  prepared_.emplace(key, img);
  return img;
}

SpriteSettings CartoonObject::TakeOver() {
  SpriteSettings s;
  s.type = Int(op::kType);
  s.text_gbk = Bytes(op::kText);
  s.font = ParseLogFont(Bytes(op::kFont));
  s.text_colour = static_cast<uint32_t>(Int(op::kTextColor));
  s.play_gif = Int(op::kPlayGIF) != 0;
  s.gif_delay = std::max(0, Int(op::kGIFDelay));
  s.gif_auto_destroy = std::max(0, Int(op::kGIFAutoDestroy));
  s.trend_colour = static_cast<uint32_t>(Int(op::kTrendColor));
  s.trend_depth = std::clamp(Int(op::kTrendDepth), 0, 100);
  s.light = Int(op::kLight);
  s.alpha = std::clamp(Int(op::kAlpha), 0, 100);
  s.zoom_x = s.zoom_y = std::max(0, Int(op::kZoom));
  s.layer = Int(op::kLayer);
  s.angle = Int(op::kAngle);
  s.rotate_follow = Int(op::kRotateFollow) != 0;
  s.turn_type = std::clamp(Int(op::kTurnType), 0, 3);
  s.exist_time = std::max(0, Int(op::kExistTime));
  s.destroy_sound = Bytes(op::kDestroySound);
  s.collide_allowed = Int(op::kCollideAllowed) != 0;
  s.collided_sound = Bytes(op::kCollidedSound);
  s.image = Prepared(s.zoom_x, s.turn_type, s.light, s.trend_colour, s.trend_depth);
  return s;
}

SharedImage AdjustImage(const SharedImage& image, int32_t turn, int32_t light,
                        uint32_t trend_colour, int32_t trend_depth) {
  if (!image) return image;
  const bool recolour = light != 0 || trend_depth > 0;
  if (turn == 0 && !recolour) return image;
  auto out = std::make_shared<Image>(*image);
  const int32_t w = out->width, h = out->height;
  const int32_t tr = static_cast<int32_t>(trend_colour & 0xFF);
  const int32_t tg = static_cast<int32_t>((trend_colour >> 8) & 0xFF);
  const int32_t tb = static_cast<int32_t>((trend_colour >> 16) & 0xFF);
  const auto channel = [&](int32_t c, int32_t target) {
    c += light;
    c += (target - c) * trend_depth / 100;
    return static_cast<uint32_t>(std::clamp(c, 0, 255));
  };
  for (Frame& f : out->frames) {
    if (recolour) {
      for (Pixel& p : f.pixels) {
        if (!f.IsSolid(p)) {
          p = kUnpainted;  // keep it transparent after its colour changes
          continue;
        }
        const int32_t r = static_cast<int32_t>((p >> 16) & 0xFF);
        const int32_t g = static_cast<int32_t>((p >> 8) & 0xFF);
        const int32_t b = static_cast<int32_t>(p & 0xFF);
        p = 0xFF000000u | (channel(r, tr) << 16) | (channel(g, tg) << 8) | channel(b, tb);
      }
      f.transparent.reset();
    }
    if (turn & 1) {
      for (int32_t y = 0; y < h; ++y) {
        auto row = f.pixels.begin() + static_cast<ptrdiff_t>(y) * w;
        std::reverse(row, row + w);
      }
    }
    if (turn & 2) {
      for (int32_t y = 0; y < h / 2; ++y) {
        std::swap_ranges(f.pixels.begin() + static_cast<ptrdiff_t>(y) * w,
                         f.pixels.begin() + static_cast<ptrdiff_t>(y + 1) * w,
                         f.pixels.begin() + static_cast<ptrdiff_t>(h - 1 - y) * w);
      }
    }
    BuildMask(f, w, h);
  }
  return out;
}

}  // namespace corvelin
