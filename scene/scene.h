// The scene controller: lays the scene out when the main window has been
// created and restarts the travelling figure each time it runs into the
// picture at the left.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/environment.h"

namespace corvelin::scene {

// The program's global-initialisation and end routines.
void InitGlobals();
void EndRoutine();

// The two handlers the window definition binds.
void OnMainWindowCreated();
void OnCollision(int32_t mover, int32_t old_x, int32_t old_y, int32_t other);

// The id of the current travelling sprite; 0 before the scene is laid out.
int32_t MovingSpriteId();

// The handler table the environment resolves the definition's bindings with.
std::vector<HandlerEntry> Handlers();

// x = trunc(width - 150.0) and x = trunc(width / 2.0 - 300.0): double
// arithmetic, truncated toward zero into 64 bits, the low 32 bits kept.
int32_t TravellerX(int32_t window_width);
int32_t TextX(int32_t window_width);

}  // namespace corvelin::scene
