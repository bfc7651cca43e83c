# Our own targets compile with warnings as errors; third-party code never
# passes through here.
function(corvelin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wnon-virtual-dtor -Werror)
endfunction()
