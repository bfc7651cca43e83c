#include "definition/main_window.h"

#include <array>

#include "assets/assets.h"
#include "definition/kinds.h"

namespace corvelin::def {
namespace {

using V = Value;
constexpr uint32_t kNone = 0xFF000000u;

// GBK texts of the definition.
constexpr std::string_view kCaption = "Corvelin";
constexpr std::string_view kNameCanvas1 =
    "\xb6\xaf\xbb\xad\xbf\xf2"
    "1";  // 动画框1
constexpr std::string_view kNameObject1 =
    "\xb6\xaf\xbb\xad\xce\xef\xcc\xe5"
    "1";  // 动画物体1
constexpr std::string_view kNameObject2 =
    "\xb6\xaf\xbb\xad\xce\xef\xcc\xe5"
    "2";  // 动画物体2
constexpr std::string_view kNameObject3 =
    "\xb6\xaf\xbb\xad\xce\xef\xcc\xe5"
    "3";  // 动画物体3
// 距离电脑屏幕一米左右，脸对着屏幕中间捂住左眼用右眼集中精力的看美女会有奇迹发生
constexpr std::string_view kInstruction =
    "\xbe\xe0\xc0\xeb\xb5\xe7\xc4\xd4\xc6\xc1\xc4\xbb\xd2\xbb\xc3\xd7\xd7\xf3\xd3\xd2"
    "\xa3\xac\xc1\xb3\xb6\xd4\xd7\xc5\xc6\xc1\xc4\xbb\xd6\xd0\xbc\xe4\xce\xe6\xd7\xa1"
    "\xd7\xf3\xd1\xdb\xd3\xc3\xd3\xd2\xd1\xdb\xbc\xaf\xd6\xd0\xbe\xab\xc1\xa6\xb5\xc4"
    "\xbf\xb4\xc3\xc0\xc5\xae\xbb\xe1\xd3\xd0\xc6\xe6\xbc\xa3\xb7\xa2\xc9\xfa";
static_assert(kInstruction.size() == 78);

// The window's own properties, index 8 to 31.
constexpr std::array kWindowValues{
    V::Text(kCaption),  // caption
    V::Int(2),          // border style: fixed frame with title bar
    V::Colour(kNone),   // background colour: the system's button face
    V::Blob(""),        // background picture: none
    V::Int(1),          // picture mode: tile
    V::Blob(""),        // background music: none
    V::Int(0),          // music play mode: repeat
    V::Bool(true),      // control box
    V::Bool(false),     // maximise button
    V::Bool(true),      // minimise button
    V::Int(1),          // start position: centred on the primary screen
    V::Bool(true),      // movable
    V::Blob(""),        // icon: none, the program icon is used
    V::Bool(false),     // Enter moves focus
    V::Bool(true),      // Esc closes
    V::Bool(false),     // F1 opens help
    V::Text(""),        // help file
    V::Int(0),          // help context
    V::Bool(true),      // show in taskbar
    V::Bool(false),     // drag anywhere
    V::Int(0),          // shape: rectangular
    V::Bool(false),     // always on top
    V::Bool(false),     // keep title bar active
    V::Text(""),        // window class name: the default class
};
static_assert(kWindowValues.size() == 24);

constexpr std::array kCanvasValues{
    V::Int(0),              // border: none
    V::Colour(0x00FFFFFF),  // BackColor: white
    V::Blob(""),            // pic: none
    V::Int(0),              // PicDrawMode: natural size at the top-left
    V::Int(1),              // PenStyle: solid
    V::Int(12),             // DrawRop2: copy pen
    V::Int(0),              // PenWidth
    V::Colour(0x00000000),  // PenColor
    V::Int(1),              // BrushStyle: solid
    V::Colour(0x00FFFFFF),  // BrushColor
    V::Colour(0x00000000),  // TextColor
    V::Colour(kNone),       // TextBackColor: none
    V::Blob(""),            // font: the system's default GUI font
};
static_assert(kCanvasValues.size() == 13);

// Sprite template values, index 8 to 31. The pictures are filled in at start
// (they live in the assets library), so these tables are built once.
struct ObjectValues {
  std::string_view text;
  uint32_t text_colour;
  std::string_view picture;
  bool auto_trans;
  bool play_gif;
  int32_t zoom;
  int32_t angle;
  bool collide;
  int32_t type;

  std::array<Value, 24> Build() const {
    return {
        V::Text(text),           // text
        V::Blob(""),             // font: the system's default GUI font
        V::Colour(text_colour),  // TextColor
        V::Blob(picture),        // picture
        V::Bool(auto_trans),     // AutoGetTransColor
        V::Colour(kNone),        // TransparentColor
        V::Bool(play_gif),       // PlayGIF
        V::Int(0),               // GIFDelay
        V::Int(0),               // GIFAutoDestroy
        V::Colour(0xFFFFFF),     // TrendColor
        V::Int(0),               // TrendDepth
        V::Int(0),               // light
        V::Int(0),               // alpha
        V::Int(zoom),            // zoom
        V::Int(0),               // layer
        V::Int(angle),           // angle
        V::Bool(false),          // RotateFollow
        V::Int(0),               // TurnType
        V::Int(0),               // ExistTime
        V::Blob(""),             // CreateSound
        V::Blob(""),             // DestroySound
        V::Bool(collide),        // CollideAllowed
        V::Blob(""),             // CollidedSound
        V::Int(type),            // type
    };
  }
};

constexpr std::array kWindowBindings{Binding{window_event::kCreated, kCreatedHandler}};
constexpr std::array kCanvasBindings{Binding{box_event::kCollided, kCollisionHandler}};

struct Tables {
  std::array<Value, 24> object1;
  std::array<Value, 24> object2;
  std::array<Value, 24> object3;
  std::array<ComponentDef, 5> components;
  WindowDef window;
};

const Tables& BuildTables() {
  // Built in place: the spans below point into the same object.
  static Tables t{};
  static const bool built = [] {
    t.object1 =
        ObjectValues{"", 0x000000, assets::PictureA(), true, true, 1000, 0, true, 0}.Build();
    t.object2 =
        ObjectValues{"", 0x000000, assets::PictureB(), true, true, 350, 270, true, 1}.Build();
    t.object3 = ObjectValues{kInstruction, 0x0000FF, "", false, false, 1000, 0, false, 0}.Build();
    // number, name, kind, left, top, width, height, tag, visible, disabled, tab stop,
    // mouse pointer, tab order, own values, bindings
    t.components = {{
        {kWindowItself, "", &kWindowKind, 50, 50, 506, 400, "", true, false, false, 0, 0,
         kWindowValues, kWindowBindings},
        {kObject3,
         kNameObject3,
         &kCartoonObjectKind,
         216,
         40,
         104,
         32,
         "",
         false,
         false,
         false,
         0,
         0,
         t.object3,
         {}},
        {kObject2,
         kNameObject2,
         &kCartoonObjectKind,
         312,
         96,
         144,
         144,
         "",
         false,
         false,
         false,
         0,
         0,
         t.object2,
         {}},
        {kObject1,
         kNameObject1,
         &kCartoonObjectKind,
         32,
         72,
         200,
         224,
         "",
         false,
         false,
         false,
         0,
         0,
         t.object1,
         {}},
        {kCanvas1, kNameCanvas1, &kCartoonBoxKind, 0, 0, 496, 400, "", true, false, true, 0, 0,
         kCanvasValues, kCanvasBindings},
    }};
    t.window = WindowDef{kMainWindow, t.components};
    return true;
  }();
  (void)built;
  return t;
}

}  // namespace

const WindowDef& MainWindow() {
  return BuildTables().window;
}

std::span<const WindowDef* const> ProgramWindows() {
  static const WindowDef* const windows[] = {&MainWindow()};
  return windows;
}

}  // namespace corvelin::def
