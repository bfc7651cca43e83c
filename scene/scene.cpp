#include "scene/scene.h"

#include "definition/main_window.h"
#include "runtime/cartoon_box.h"

namespace corvelin::scene {
namespace {

using namespace corvelin::def;

constexpr int32_t kPictureX = 0, kPictureY = 120;
constexpr double kRightOffset = 150.0;
constexpr int32_t kTravellerY = 150;
constexpr double kTextDivisor = 2.0;
constexpr double kTextLeftOffset = 300.0;
constexpr int32_t kTextY = 350;
constexpr int32_t kStep = 2;
constexpr int32_t kInterval = 2;

int32_t g_moving_sprite_id = 0;

int32_t LowBits(double v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(v)));
}

int32_t MainWindowWidth() {
  return ReadProperty(kMainWindow, kWindowItself, kPropWidth, -1);
}

}  // namespace

int32_t TravellerX(int32_t width) {
  return LowBits(static_cast<double>(width) - kRightOffset);
}

int32_t TextX(int32_t width) {
  return LowBits(static_cast<double>(width) / kTextDivisor - kTextLeftOffset);
}

void InitGlobals() {
  g_moving_sprite_id = 0;
}
void EndRoutine() {}
int32_t MovingSpriteId() {
  return g_moving_sprite_id;
}

void OnMainWindowCreated() {
  const int32_t screen = GetScreenWidth();
  WriteProperty(kMainWindow, kWindowItself, kPropWidth, -1, screen);
  WriteProperty(kMainWindow, kCanvas1, kPropWidth, -1, MainWindowWidth());
  WriteProperty(kMainWindow, kWindowItself, kPropLeft, -1, 0);
  CreateSprite(kMainWindow, kCanvas1, kObject1, kPictureX, kPictureY);
  g_moving_sprite_id =
      CreateSprite(kMainWindow, kCanvas1, kObject2, TravellerX(MainWindowWidth()), kTravellerY);
  CreateSprite(kMainWindow, kCanvas1, kObject3, TextX(MainWindowWidth()), kTextY);
  AutoAdvance(kMainWindow, kCanvas1, g_moving_sprite_id, kStep, kInterval);
}

void OnCollision(int32_t mover, int32_t, int32_t, int32_t) {
  if (mover != g_moving_sprite_id) return;
  DestroySprite(kMainWindow, kCanvas1, g_moving_sprite_id);
  g_moving_sprite_id =
      CreateSprite(kMainWindow, kCanvas1, kObject2, TravellerX(MainWindowWidth()), kTravellerY);
  AutoAdvance(kMainWindow, kCanvas1, g_moving_sprite_id, kStep, kInterval);
}

std::vector<HandlerEntry> Handlers() {
  std::vector<HandlerEntry> table;
  table.push_back({std::string(kCreatedHandler), [](std::span<const int32_t>) {
                     OnMainWindowCreated();
                     return std::optional<int32_t>();
                   }});
  table.push_back({std::string(kCollisionHandler), [](std::span<const int32_t> a) {
                     const auto arg = [&](size_t i) { return i < a.size() ? a[i] : 0; };
                     OnCollision(arg(0), arg(1), arg(2), arg(3));
                     return std::optional<int32_t>();
                   }});
  return table;
}

}  // namespace corvelin::scene
