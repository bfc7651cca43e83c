// A sprite template (动画物体): a hidden control that forms its template image
// once, when its window is built, and from which the canvas makes sprites.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

#include "runtime/environment.h"
#include "runtime/images/image.h"
#include "runtime/platform/platform.h"

namespace corvelin {

// Everything a new sprite takes over from its template at the moment it is
// made. The design-time place and size, `visible`, `disable`, `tag`,
// `MousePointer` and the transparency settings (already applied in the
// image) are not taken over.
struct SpriteSettings {
  int32_t type = 0;
  std::string_view text_gbk;
  std::optional<platform::FontSpec> font;  // only a stored font
  uint32_t text_colour = 0;
  SharedImage image;  // shared, already zoomed and otherwise prepared
  bool play_gif = false;
  int32_t gif_delay = 0;
  int32_t gif_auto_destroy = 0;
  uint32_t trend_colour = 0xFFFFFF;
  int32_t trend_depth = 0;
  int32_t light = 0;
  int32_t alpha = 0;
  int32_t zoom_x = 1000;
  int32_t zoom_y = 1000;
  int32_t layer = 0;
  int32_t angle = 0;
  bool rotate_follow = false;
  int32_t turn_type = 0;
  int32_t exist_time = 0;  // the sprite dies at creation time + exist_time when > 0
  std::string_view destroy_sound;
  bool collide_allowed = false;
  std::string_view collided_sound;
};

class CartoonObject final : public Control {
 public:
  CartoonObject(LiveWindow& window, LiveComponent& component);

  void Create() override;

  // The settings of a new sprite, with its image shared with every other
  // sprite that has the same image settings.
  SpriteSettings TakeOver();
  // Played once as a sprite is made (no sound device is driven here).
  std::string_view create_sound() const;

  const SharedImage& image() const { return image_; }
  const std::string& diagnostic() const { return diagnostic_; }
  std::string_view name_gbk() const;
  ControlNumber number() const;

 private:
  int32_t Int(int32_t index) const;
  std::string_view Bytes(int32_t index) const;
  SharedImage Prepared(int32_t zoom, int32_t turn, int32_t light, uint32_t trend_colour,
                       int32_t trend_depth);

  LiveWindow& window_;
  LiveComponent& component_;
  SharedImage image_;
  std::string diagnostic_;
  // Prepared images by (zoom, turn, light, trend colour, trend depth).
  std::map<std::tuple<int32_t, int32_t, int32_t, uint32_t, int32_t>, SharedImage> prepared_;
};

// Flips and tints an image: `turn` 1 left-right, 2 top-bottom, 3 both;
// `light` adds to every channel (clamped), `trend_depth` percent moves each
// channel towards `trend_colour` (0x00BBGGRR). Unpainted and transparent
// pixels stay transparent.
SharedImage AdjustImage(const SharedImage& image, int32_t turn, int32_t light,
                        uint32_t trend_colour, int32_t trend_depth);

}  // namespace corvelin
