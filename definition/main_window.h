// The program's only window, 0x52010001, and the numbers of its parts.
#pragma once

#include "definition/definition.h"

namespace corvelin::def {

inline constexpr WindowNumber kMainWindow = 0x52010001;
inline constexpr ControlNumber kWindowItself = 0x6010000;
inline constexpr ControlNumber kCanvas1 = 0x16010002;  // 动画框1
inline constexpr ControlNumber kObject1 = 0x16010003;  // 动画物体1, the picture at the left
inline constexpr ControlNumber kObject2 = 0x16010006;  // 动画物体2, the travelling figure
inline constexpr ControlNumber kObject3 = 0x16010012;  // 动画物体3, the instruction text

// Handler names the definition binds; the scene controller provides them.
inline constexpr std::string_view kCreatedHandler = "scene.created";
inline constexpr std::string_view kCollisionHandler = "scene.collision";

const WindowDef& MainWindow();

// Every window definition built into the program.
std::span<const WindowDef* const> ProgramWindows();

}  // namespace corvelin::def
