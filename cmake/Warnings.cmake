# Our own targets build warning-free; third-party code is not held to this.
function(viz_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endfunction()
