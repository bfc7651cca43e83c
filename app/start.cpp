#include "app/start.h"

#include <cfenv>
#include <cstdio>
#include <memory>

#include "definition/main_window.h"
#include "runtime/environment.h"
#include "runtime/trace.h"
#include "scene/scene.h"

namespace corvelin::app {

int StartRoutine() {
  InitEnvironment();
  // Default floating-point state: round to nearest, exceptions masked.
  std::fesetenv(FE_DFL_ENV);
  scene::InitGlobals();
  RegisterEndRoutine(&scene::EndRoutine);
  LoadWindow(def::kMainWindow);
  RunMessageLoop();
  return 0;
}

int RunProgram(platform::Backend& backend, const std::string& trace_path) {
  Environment env(backend, def::ProgramWindows(), scene::Handlers());
  std::unique_ptr<Trace> trace;
  if (!trace_path.empty()) {
    std::string error;
    trace = Trace::Open(trace_path, &error);
    if (!trace) std::fprintf(stderr, "Corvelin: %s\n", error.c_str());
    env.SetTrace(trace.get());
  }
  env.MakeCurrent();
  StartRoutine();
  return env.EndProcessing();
}

}  // namespace corvelin::app
