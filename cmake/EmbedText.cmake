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

# brumelt_embed_shaders()
# The target brumelt_shaders: every src/render/shaders/NAME.glsl of brumelt_shader_names embedded
# as the header "shaders/NAME.glsl.h" (under CMAKE_BINARY_DIR/generated) defining NAME_glsl.
function(brumelt_embed_shaders)
  set(headers)
  foreach(name ${brumelt_shader_names})
    set(header ${CMAKE_BINARY_DIR}/generated/shaders/${name}.glsl.h)
    brumelt_embed_text(${header} ${name}_glsl ${PROJECT_SOURCE_DIR}/src/render/shaders/${name}.glsl)
    list(APPEND headers ${header})
  endforeach()
  add_custom_target(brumelt_shaders DEPENDS ${headers})
endfunction()
