# brumelt_embed_text(OUT_HEADER SYMBOL INPUT)
# Turns a text file into a header that defines `inline constexpr char SYMBOL[]` holding the
# file's bytes, regenerated whenever the file changes.
function(brumelt_embed_text out_header symbol input)
  add_custom_command(
    OUTPUT ${out_header}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${out_header} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedTextScript.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/EmbedTextScript.cmake
    COMMENT "Embedding ${symbol}"
    VERBATIM)
endfunction()

# brumelt_embed_shaders(NAME...)
# The target brumelt_shaders: every src/render/shaders/NAME.glsl embedded as the header
# "shaders/NAME.glsl.h" (under CMAKE_BINARY_DIR/generated) defining NAME_glsl. The shader named
# vertex is the vertex stage, the others fragment stages. The browser build embeds each as GLSL
# ES 1.00 (cmake/GlslEsScript.cmake) under the same name, so the render code includes it unchanged.
function(brumelt_embed_shaders)
  set(headers)
  foreach(name ${ARGN})
    set(input ${PROJECT_SOURCE_DIR}/src/render/shaders/${name}.glsl)
    set(header ${CMAKE_BINARY_DIR}/generated/shaders/${name}.glsl.h)
    if(EMSCRIPTEN)
      if(name STREQUAL "vertex")
        set(stage vertex)
      else()
        set(stage fragment)
      endif()
      set(es_text ${CMAKE_BINARY_DIR}/generated/shaders-es/${name}.glsl)
      add_custom_command(
        OUTPUT ${es_text}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${es_text} -DSTAGE=${stage}
                -P ${PROJECT_SOURCE_DIR}/cmake/GlslEsScript.cmake
        DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/GlslEsScript.cmake
        COMMENT "Converting ${name}.glsl to GLSL ES 1.00"
        VERBATIM)
      set(input ${es_text})
    endif()
    brumelt_embed_text(${header} ${name}_glsl ${input})
    list(APPEND headers ${header})
  endforeach()
  add_custom_target(brumelt_shaders DEPENDS ${headers})
endfunction()
