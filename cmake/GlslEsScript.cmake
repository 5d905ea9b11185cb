# Run in script mode by brumelt_embed_shaders (EmbedText.cmake) in the browser build: rewrites
# one desktop shader (GLSL 1.10, no #version line) as GLSL ES 1.00 for WebGL 1, into OUTPUT.
#   STAGE=vertex    the fixed-function position input gl_Vertex becomes the generic attribute
#                   brumeltVertex, which the web build binds to location 0 before linking
#   STAGE=fragment  a default float precision is declared (ES fragment stages have none); highp,
#                   because the raymarcher's distances and hashes need full floats
# Everything else is kept byte for byte, so both builds compile the same code. A desktop-only
# construct that has no such plain rewrite stops the build with the file and the construct.
file(READ ${INPUT} text)
# The checks look at code only: a comment may say anything.
string(REGEX REPLACE "//[^\n]*" "" code "${text}")

foreach(construct "#version" "gl_ModelView" "gl_Projection" "gl_NormalMatrix" "gl_TexCoord"
                  "gl_MultiTexCoord" "gl_Color" "gl_FrontColor" "gl_Normal" "gl_FragDepth"
                  "gl_FragData" "texture1D" "texture3D" "shadow2D" "textureCube")
  string(FIND "${code}" "${construct}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${INPUT}: ${construct} has no GLSL ES 1.00 form in the web build")
  endif()
endforeach()
# WebGL accepts only for loops with constant bounds (GLSL ES 1.00, appendix A).
if(code MATCHES "(^|[^A-Za-z0-9_])(while|do)[ \t\r\n({]")
  message(FATAL_ERROR "${INPUT}: WebGL accepts no while or do loops")
endif()

if(STAGE STREQUAL "vertex")
  string(REGEX REPLACE "gl_Vertex([^A-Za-z0-9_])" "brumeltVertex\\1" text "${text}")
  set(text "attribute vec4 brumeltVertex;\n${text}")
elseif(STAGE STREQUAL "fragment")
  set(text "precision highp float;\n${text}")
else()
  message(FATAL_ERROR "GlslEsScript: STAGE must be vertex or fragment, not '${STAGE}'")
endif()
file(WRITE ${OUTPUT} "${text}")
