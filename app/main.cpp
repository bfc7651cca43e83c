// The real program: the native backend of this system. The command line is
// not examined. CORVELIN_TRACE, when set, names a file for the trace.
#include <cstdlib>
#include <string>

#include "app/start.h"
#include "runtime/platform/native.h"

int main() {
  const char* trace = std::getenv("CORVELIN_TRACE");
  std::unique_ptr<corvelin::platform::Backend> backend = corvelin::platform::CreateNativeBackend();
  if (!backend) return -1;
  return corvelin::app::RunProgram(*backend, trace != nullptr ? trace : "");
}
