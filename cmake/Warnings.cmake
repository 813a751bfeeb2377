# One INTERFACE target that carries the project's warning set.
option(TOLVAR_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)
add_library(project_warnings INTERFACE)
if(MSVC)
  target_compile_options(project_warnings INTERFACE /W4 /permissive- $<$<BOOL:${TOLVAR_WARNINGS_AS_ERRORS}>:/WX>)
else()
  target_compile_options(project_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wimplicit-fallthrough
    $<$<BOOL:${TOLVAR_WARNINGS_AS_ERRORS}>:-Werror>)
endif()
