# Our own targets build warning-free; third-party code is not held to this.
# Warnings become errors only on request (CI and the scripts ask for it), so a
# packager's build with another compiler or flags is never stopped by a new
# warning.
option(VIZ_WERROR "Treat warnings in our own code as errors" OFF)

function(viz_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(VIZ_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
