# Libraries the game calls only on a player's command (the dialogs' controls, the colour and
# file choosers, the help), only once its first frame is on the screen (DirectInput, whose
# library and the device libraries it brings take about 30 ms to load under Wine),
# or never on today's machines (the multimedia timer stands in only where there is no
# performance counter). Linked through delay-import libraries, their DLLs load at the first call
# instead of before the program's first line runs, which shortens every start. Each .def names
# only the functions we call, and each of them has a substitute in shell/delay_load_failure.cpp
# for a system where the library or the function is missing.
find_program(TESSARON_DLLTOOL NAMES x86_64-w64-mingw32-dlltool REQUIRED)

# Makes the delay-import library `library` for the functions that `definition` names from `dll`.
function(tessaron_delay_import_library definition dll library)
  get_filename_component(folder ${library} DIRECTORY)
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${TESSARON_DLLTOOL} --input-def ${definition} --dllname ${dll} --output-delaylib ${library}
    DEPENDS ${definition}
    VERBATIM)
endfunction()

set(TESSARON_DELAYED_LIBS)
foreach(entry comctl32:comctl32.dll comdlg32:comdlg32.dll dinput8:dinput8.dll hhctrl:hhctrl.ocx shell32:shell32.dll
              winmm:winmm.dll)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 dll)
  set(library ${CMAKE_BINARY_DIR}/delay_imports/lib${name}_delayed.a)
  tessaron_delay_import_library(${CMAKE_CURRENT_LIST_DIR}/delay_imports/${name}.def ${dll} ${library})
  list(APPEND TESSARON_DELAYED_LIBS ${library})
endforeach()
add_custom_target(tessaron_delay_imports DEPENDS ${TESSARON_DELAYED_LIBS})
