# Warnings for the project's own targets (not for third-party code).
function(ravuna_set_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    return()
  endif()
  target_compile_options(
    ${target}
    PRIVATE -Wall
            -Wextra
            -Wpedantic
            -Wconversion
            -Wsign-conversion
            -Wshadow
            -Wcast-align
            -Wformat=2
            -Wnull-dereference
            -Wdouble-promotion
            -Wimplicit-fallthrough
            -Wundef
            $<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast
            -Wnon-virtual-dtor
            -Woverloaded-virtual>)
  if(RAVUNA_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
