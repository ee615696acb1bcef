# VIZ_SANITIZE=address,undefined or VIZ_SANITIZE=thread instruments every target.
set(VIZ_SANITIZE "" CACHE STRING "Sanitizers to build with: address,undefined or thread")
if(VIZ_SANITIZE)
  add_compile_options(-fsanitize=${VIZ_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all -g)
  add_link_options(-fsanitize=${VIZ_SANITIZE})
endif()
