# Sanitizers apply to every target of the build, test framework included, so
# that instrumented and plain code never mix.
if(RAVUNA_SANITIZE)
  add_compile_options(-fsanitize=${RAVUNA_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${RAVUNA_SANITIZE})
  if(RAVUNA_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=all)
  endif()
endif()
