# assets/greets.tga and assets/qrv.tga: drawn by makeimages with the DejaVu fonts.
find_file(BRUMELT_FONT_BOLD DejaVuSans-Bold.ttf PATHS /usr/share/fonts/truetype/dejavu REQUIRED)
find_file(BRUMELT_FONT_REGULAR DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu REQUIRED)
set(images ${BRUMELT_DEMO_DIR}/assets/greets.tga ${BRUMELT_DEMO_DIR}/assets/qrv.tga)
add_custom_command(
  OUTPUT ${images}
  COMMAND makeimages write ${BRUMELT_FONT_BOLD} ${BRUMELT_FONT_REGULAR} ${BRUMELT_DEMO_DIR}/assets
  DEPENDS makeimages ${BRUMELT_FONT_BOLD} ${BRUMELT_FONT_REGULAR}
  COMMENT "Making assets/greets.tga and assets/qrv.tga"
  VERBATIM)
add_custom_target(demo_images DEPENDS ${images})
add_dependencies(demo demo_images)
