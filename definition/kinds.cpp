#include "definition/kinds.h"

#include <array>

namespace corvelin::def {
namespace {

using V = Value;
constexpr uint32_t kNone = 0xFF000000u;

constexpr std::array kStandard{
    PropertyDef{"left", "左边", ValueType::kInteger, V::Int(0)},
    PropertyDef{"top", "顶边", ValueType::kInteger, V::Int(0)},
    PropertyDef{"width", "宽度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"height", "高度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"tag", "标记", ValueType::kText, V::Text("")},
    PropertyDef{"visible", "可视", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"disable", "禁止", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"MousePointer", "鼠标指针", ValueType::kInteger, V::Int(0)},
};

constexpr std::array kWindowProps{
    PropertyDef{"caption", "标题", ValueType::kText, V::Text("")},
    PropertyDef{"BorderStyle", "边框", ValueType::kInteger, V::Int(2)},
    PropertyDef{"BackColor", "底色", ValueType::kColour, V::Colour(kNone)},
    PropertyDef{"BackPicture", "底图", ValueType::kBytes, V::Blob("")},
    PropertyDef{"PictureMode", "底图方式", ValueType::kInteger, V::Int(1)},
    PropertyDef{"BackMusic", "背景音乐", ValueType::kBytes, V::Blob("")},
    PropertyDef{"MusicPlayMode", "播放次数", ValueType::kInteger, V::Int(0)},
    PropertyDef{"ControlBox", "控制按钮", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"MaxButton", "最大化按钮", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"MinButton", "最小化按钮", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"StartPosition", "位置", ValueType::kInteger, V::Int(1)},
    PropertyDef{"Movable", "可否移动", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"Icon", "图标", ValueType::kBytes, V::Blob("")},
    PropertyDef{"EnterMovesFocus", "回车下移焦点", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"EscCloses", "Esc键关闭", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"F1Help", "F1键打开帮助", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"HelpFile", "帮助文件名", ValueType::kText, V::Text("")},
    PropertyDef{"HelpContext", "帮助标志值", ValueType::kInteger, V::Int(0)},
    PropertyDef{"ShowInTaskbar", "在任务条中显示", ValueType::kLogical, V::Bool(true)},
    PropertyDef{"DragAnywhere", "随意移动", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"Shape", "外形", ValueType::kInteger, V::Int(0)},
    PropertyDef{"TopMost", "总在最前", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"KeepTitleActive", "保持标题条激活", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"ClassName", "窗口类名", ValueType::kText, V::Text("")},
};
static_assert(kWindowProps.size() == 24);

constexpr std::array kWindowEvents{
    EventDef{0, "创建完毕", 0},   EventDef{1, "可否被关闭", 0}, EventDef{2, "将被销毁", 0},
    EventDef{3, "位置被改变", 0}, EventDef{4, "尺寸被改变", 0}, EventDef{12, "将被关闭", 0},
};

constexpr std::array kBoxProps{
    PropertyDef{"border", "边框", ValueType::kInteger, V::Int(0)},
    PropertyDef{"BackColor", "背景颜色", ValueType::kColour, V::Colour(0x00FFFFFF)},
    PropertyDef{"pic", "背景图片", ValueType::kBytes, V::Blob("")},
    PropertyDef{"PicDrawMode", "显示方式", ValueType::kInteger, V::Int(0)},
    PropertyDef{"PenStyle", "画笔类型", ValueType::kInteger, V::Int(1)},
    PropertyDef{"DrawRop2", "画出方式", ValueType::kInteger, V::Int(12)},
    PropertyDef{"PenWidth", "画笔粗细", ValueType::kInteger, V::Int(0)},
    PropertyDef{"PenColor", "画笔颜色", ValueType::kColour, V::Colour(0)},
    PropertyDef{"BrushStyle", "刷子类型", ValueType::kInteger, V::Int(1)},
    PropertyDef{"BrushColor", "刷子颜色", ValueType::kColour, V::Colour(0x00FFFFFF)},
    PropertyDef{"TextColor", "文本颜色", ValueType::kColour, V::Colour(0)},
    PropertyDef{"TextBackColor", "文本背景颜色", ValueType::kColour, V::Colour(kNone)},
    PropertyDef{"font", "字体", ValueType::kBytes, V::Blob("")},
};
static_assert(kBoxProps.size() == 13);

constexpr std::array kBoxEvents{
    EventDef{0, "物体左键被按下", 3}, EventDef{1, "物体右键被按下", 3},
    EventDef{2, "物体左键被放开", 3}, EventDef{3, "物体右键被放开", 3},
    EventDef{4, "双击物体", 3},       EventDef{5, "进入物体", 1},
    EventDef{6, "离开物体", 1},       EventDef{7, "动画框鼠标位置改变", 3},
    EventDef{8, "物体位置将改变", 3}, EventDef{9, "物体位置已改变", 3},
    EventDef{10, "物体将销毁", 1},    EventDef{11, "碰撞到物体", 4},
    EventDef{12, "碰撞到边界", 4},    EventDef{13, "越出边界", 1},
    EventDef{14, "自动前进停止", 1},  EventDef{15, "自动旋转停止", 1},
    EventDef{16, "动画播放完毕", 1},  EventDef{17, "监视键被按下", 2},
};

constexpr std::array kObjectProps{
    PropertyDef{"text", "文字", ValueType::kText, V::Text("")},
    PropertyDef{"font", "字体", ValueType::kBytes, V::Blob("")},
    PropertyDef{"TextColor", "文本颜色", ValueType::kColour, V::Colour(0x000000)},
    PropertyDef{"picture", "图片", ValueType::kBytes, V::Blob("")},
    PropertyDef{"AutoGetTransColor", "自动取透明色", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"TransparentColor", "透明色", ValueType::kColour, V::Colour(kNone)},
    PropertyDef{"PlayGIF", "播放动画", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"GIFDelay", "动画间隔时间", ValueType::kInteger, V::Int(0)},
    PropertyDef{"GIFAutoDestroy", "动画自动销毁", ValueType::kInteger, V::Int(0)},
    PropertyDef{"TrendColor", "趋向色", ValueType::kColour, V::Colour(0xFFFFFF)},
    PropertyDef{"TrendDepth", "趋向程度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"light", "亮度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"alpha", "透明度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"zoom", "缩放比", ValueType::kInteger, V::Int(1000)},
    PropertyDef{"layer", "层次", ValueType::kInteger, V::Int(0)},
    PropertyDef{"angle", "角度", ValueType::kInteger, V::Int(0)},
    PropertyDef{"RotateFollow", "旋转跟随", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"TurnType", "翻转", ValueType::kInteger, V::Int(0)},
    PropertyDef{"ExistTime", "生存时间", ValueType::kInteger, V::Int(0)},
    PropertyDef{"CreateSound", "创建声音", ValueType::kBytes, V::Blob("")},
    PropertyDef{"DestroySound", "销毁声音", ValueType::kBytes, V::Blob("")},
    PropertyDef{"CollideAllowed", "允许碰撞", ValueType::kLogical, V::Bool(false)},
    PropertyDef{"CollidedSound", "碰撞声音", ValueType::kBytes, V::Blob("")},
    PropertyDef{"type", "类型值", ValueType::kInteger, V::Int(0)},
};
static_assert(kObjectProps.size() == 24);

}  // namespace

std::span<const PropertyDef> StandardProperties() {
  return kStandard;
}

const KindDef kWindowKind{"window", "窗口", kWindowProps, kWindowEvents};
const KindDef kCartoonBoxKind{"CartoonBox", "动画框", kBoxProps, kBoxEvents};
const KindDef kCartoonObjectKind{"CartoonObject", "动画物体", kObjectProps, {}};

}  // namespace corvelin::def
