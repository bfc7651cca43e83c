#include "definition/definition.h"

namespace corvelin::def {

const WindowDef* FindWindow(std::span<const WindowDef* const> set, WindowNumber number) {
  for (const WindowDef* w : set) {
    if (w != nullptr && w->number == number) return w;
  }
  return nullptr;
}

}  // namespace corvelin::def
