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
