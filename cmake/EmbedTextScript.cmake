# Run in script mode by brumelt_embed_text: writes the bytes of INPUT as a char array named SYMBOL.
file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n#pragma once\ninline constexpr char ${SYMBOL}[] = {${bytes} '\\0'};\n")
