# cmake -DINPUT=<png> -DOUTPUT=<cpp> -P embed_png.cmake: writes the PNG's bytes as the
# tray icon's C++ array (tray_icon_image.h).
file(READ ${INPUT} bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
string(REGEX REPLACE "((0x..,){20})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from the program icon's drawing; do not edit.\n"
  "#include \"tray/tray_icon_image.h\"\n\n"
  "const unsigned char kTrayIconPng[] = {\n${bytes}\n};\n"
  "const size_t kTrayIconPngSize = sizeof(kTrayIconPng);\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
