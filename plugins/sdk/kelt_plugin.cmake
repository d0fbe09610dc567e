# Building plug-in libraries (.KTP). Functions are global in CMake: every directory added after
# plugins/sdk can call them.
#
# kelt_plugin(NAME <Name> SOURCES ... [RESOURCES ...] [GLYPH <picture.art>] [GLYPH_NAME Glyph]
#             [FILE_VERSION 0.8.0.0] [NO_VERSION_INFO] [DEPS ...]
#             [NO_FRAME] [DEF file.def] [OUTPUT_DIR dir] [NO_STAGE])
#   <Name>.KTP: the frame (the nine exports, the library entry), kelt_ui and DEPS, linked
#   statically; the version resource (file description "Plugin for Keltrix", file version
#   0.8.0.0 unless FILE_VERSION gives another text, product version 0.80) unless
#   NO_VERSION_INFO; the bitmap GLYPH_NAME ("Glyph") converted from GLYPH as 256 colours.
#   Staged into Plugins\ of the program folder.
#   For test plug-ins: NO_FRAME leaves the frame out (the sources then define the exports
#   themselves, listed in DEF), OUTPUT_DIR puts the library elsewhere, NO_STAGE keeps it out
#   of the program folder.

function(kelt_plugin)
  # The version numbers (KELT_PLUGIN_*) come from the root CMakeLists.txt.
  set(KELT_PLUGIN_SDK_DIR ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  cmake_parse_arguments(K "NO_FRAME;NO_STAGE;NO_VERSION_INFO"
    "NAME;GLYPH;GLYPH_NAME;FILE_VERSION;DEF;OUTPUT_DIR" "SOURCES;RESOURCES;DEPS" ${ARGN})
  if(NOT K_NAME)
    message(FATAL_ERROR "kelt_plugin: NAME is required")
  endif()
  set(target ${K_NAME}_plugin)
  if(NOT K_GLYPH_NAME)
    set(K_GLYPH_NAME Glyph)
  endif()
  if(NOT K_FILE_VERSION)
    set(K_FILE_VERSION ${KELT_PLUGIN_FILE_VERSION})
  endif()
  if(NOT K_DEF)
    set(K_DEF ${KELT_PLUGIN_SDK_DIR}/plugin.def)
  endif()

  # The glyph picture, converted next to this plug-in's build files.
  set(glyph_line "")
  set(glyph_bmp "")
  if(K_GLYPH)
    get_filename_component(glyph_src ${K_GLYPH} ABSOLUTE)
    set(glyph_bmp ${CMAKE_CURRENT_BINARY_DIR}/${K_NAME}_glyph.bmp)
    add_custom_command(OUTPUT ${glyph_bmp}
      COMMAND ${KELT_HOST_BIN}/artconv --depth 8 ${glyph_src} ${glyph_bmp}
      DEPENDS ${glyph_src} ${KELT_HOST_BIN}/artconv
      COMMENT "Converting glyph of ${K_NAME}"
      VERBATIM)
    set(glyph_line "${K_GLYPH_NAME} BITMAP \"${glyph_bmp}\"")
  endif()

  set(KP_NAME ${K_NAME})
  set(KP_SUFFIX .KTP)
  set(KP_VERSION_BLOCK "")
  if(NOT K_NO_VERSION_INFO)
    set(KP_FILE_NUMBERS ${KELT_PLUGIN_VERSION_NUMBERS})
    set(KP_PRODUCT_NUMBERS ${KELT_PLUGIN_VERSION_NUMBERS})
    set(KP_FILE_VERSION ${K_FILE_VERSION})
    set(KP_PRODUCT_VERSION ${KELT_PLUGIN_PRODUCT_VERSION})
    file(READ ${KELT_PLUGIN_SDK_DIR}/version_block.rc.in block)
    string(CONFIGURE "${block}" KP_VERSION_BLOCK @ONLY)
  endif()
  set(KP_GLYPH_LINE "${glyph_line}")
  set(frame_rc ${CMAKE_CURRENT_BINARY_DIR}/${K_NAME}_frame.rc)
  configure_file(${KELT_PLUGIN_SDK_DIR}/plugin_version.rc.in ${frame_rc} @ONLY)
  if(glyph_bmp)
    set_source_files_properties(${frame_rc} PROPERTIES OBJECT_DEPENDS ${glyph_bmp})
  endif()

  add_library(${target} SHARED ${K_SOURCES} ${K_RESOURCES} ${frame_rc} ${K_DEF} ${glyph_bmp})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${K_NAME} PREFIX "" SUFFIX .KTP)
  if(K_OUTPUT_DIR)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${K_OUTPUT_DIR})
  endif()
  if(NOT K_NO_FRAME)
    target_link_libraries(${target} PRIVATE kelt_plugin_frame)
  endif()
  target_link_libraries(${target} PRIVATE ${K_DEPS} kelt_ui)
  # No import library: nothing links against a plug-in.
  target_link_options(${target} PRIVATE -Wl,--no-undefined)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # __stdcall names carry @n on 32 bits; the contract wants them bare.
    target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
  if(NOT K_NO_STAGE)
    kelt_stage(${target} SUBDIR Plugins)
  endif()
endfunction()
