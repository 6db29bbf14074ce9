# Libraries the game calls only on a player's command (the colour and file choosers, the help)
# or never on today's machines (the multimedia timer stands in only where there is no
# performance counter). Linked through delay-import libraries, their DLLs load at the first call
# instead of before the program's first line runs, which shortens every start. Each .def names
# only the functions we call.
find_program(TESSARON_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

set(TESSARON_DELAYED_LIBS)
foreach(entry comdlg32:comdlg32.dll hhctrl:hhctrl.ocx shell32:shell32.dll winmm:winmm.dll)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 dll)
  set(definition ${CMAKE_CURRENT_LIST_DIR}/delay_imports/${name}.def)
  set(library ${CMAKE_BINARY_DIR}/delay_imports/lib${name}_delayed.a)
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay_imports
    COMMAND ${TESSARON_DLLTOOL} --input-def ${definition} --dllname ${dll} --output-delaylib ${library}
    DEPENDS ${definition}
    VERBATIM)
  list(APPEND TESSARON_DELAYED_LIBS ${library})
endforeach()
add_custom_target(tessaron_delay_imports DEPENDS ${TESSARON_DELAYED_LIBS})
