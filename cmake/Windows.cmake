# The Win32 layer and the executable (cross tree only).
enable_language(RC)

file(GLOB_RECURSE WIN_SOURCES CONFIGURE_DEPENDS
  app/*_win.cpp save/*_win.cpp inspect/*_win.cpp preview/*_win.cpp capture/*_win.cpp base/*_win.cpp)
list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/app/main_win.cpp)
list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/app/cli_main_win.cpp)
add_library(clipwright_win STATIC ${WIN_SOURCES})
target_include_directories(clipwright_win PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_definitions(clipwright_win PUBLIC UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00)
target_link_libraries(clipwright_win PUBLIC clipwright_core
  ole32 oleaut32 uuid comctl32 gdi32 user32 shell32 shlwapi advapi32 windowscodecs winmm dwmapi uxtheme msimg32)
clipwright_warnings(clipwright_win)

add_executable(Clipwright WIN32 app/main_win.cpp resources/clipwright.rc)
# windres reports no dependencies, so a changed picture or manifest would not rebuild the resources.
set_source_files_properties(resources/clipwright.rc PROPERTIES OBJECT_DEPENDS
  "${CLIPWRIGHT_GENERATED_DIR}/clipwright_version.h;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/Clipwright.ico;${CMAKE_SOURCE_DIR}/resources/header-logo.png;${CLIPWRIGHT_GENERATED_DIR}/Clipwright.manifest")
target_link_libraries(Clipwright PRIVATE clipwright_win)
target_link_options(Clipwright PRIVATE -municode)
clipwright_warnings(Clipwright)
set_target_properties(Clipwright PROPERTIES OUTPUT_NAME Clipwright)
# A failed resource compilation must stop the build: a lost manifest silently loses DPI
# awareness and common controls 6. windres already fails hard; the icon file is also copied beside the exe.
add_custom_command(TARGET Clipwright POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/Clipwright.ico
          $<TARGET_FILE_DIR:Clipwright>/Clipwright.ico)

# The console program: the same core and Win32 layer, subsystem console, statically linked.
add_executable(clipwright-cli app/cli_main_win.cpp resources/clipwright_cli.rc)
set_source_files_properties(resources/clipwright_cli.rc PROPERTIES OBJECT_DEPENDS
  "${CLIPWRIGHT_GENERATED_DIR}/clipwright_version.h;${CMAKE_SOURCE_DIR}/resources/clipwright.rc;${CMAKE_SOURCE_DIR}/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/resources/Clipwright.ico;${CLIPWRIGHT_GENERATED_DIR}/Clipwright.manifest")
target_link_libraries(clipwright-cli PRIVATE clipwright_win)
target_link_options(clipwright-cli PRIVATE -municode -mconsole)
clipwright_warnings(clipwright-cli)
