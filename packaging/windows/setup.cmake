# Builds the setup program for Windows players (cmake -P), from the same install rules as the zip:
# the game folder's run-time files are installed into a fresh staging folder, listed for the
# installer (File lines) and the uninstaller (Delete lines, then each emptied folder), and
# packed by makensis with tessaron.nsi beside this file.
#
# Defines: BUILD_DIR, STAGE_DIR, OUTFILE, VERSION, VERSION_MAJOR, VERSION_MINOR, ICON, MAKENSIS.

foreach(name BUILD_DIR STAGE_DIR OUTFILE VERSION VERSION_MAJOR VERSION_MINOR ICON MAKENSIS)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "setup.cmake needs -D${name}=...")
  endif()
endforeach()

set(files_dir ${STAGE_DIR}/files)
set(install_list ${STAGE_DIR}/install.nsh)
set(remove_list ${STAGE_DIR}/remove.nsh)

file(REMOVE_RECURSE ${STAGE_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${files_dir}
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "staging the game folder into ${files_dir} failed")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${files_dir} ${files_dir}/*)
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "nothing was staged into ${files_dir}")
endif()

# The installer's side: one SetOutPath per folder, then its files.
set(install_lines "")
set(folders "")
set(current_folder "-")
foreach(file ${files})
  get_filename_component(folder "${file}" DIRECTORY)
  if(NOT folder STREQUAL current_folder)
    set(current_folder "${folder}")
    string(REPLACE "/" "\\" windows_folder "${folder}")
    if(folder STREQUAL "")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND install_lines "SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
    endif()
    while(NOT folder STREQUAL "")
      string(REPLACE "/" "\\" windows_folder "${folder}")
      list(APPEND folders "${windows_folder}")
      get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
  endif()
  string(APPEND install_lines "File \"${files_dir}/${file}\"\n")
endforeach()

# The uninstaller's side: the same files, then their folders deepest first (each only if emptied).
set(remove_lines "")
foreach(file ${files})
  string(REPLACE "/" "\\" windows_file "${file}")
  string(APPEND remove_lines "Delete \"$INSTDIR\\${windows_file}\"\n")
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders)
list(REVERSE folders)
foreach(folder ${folders})
  string(APPEND remove_lines "RMDir \"$INSTDIR\\${folder}\"\n")
endforeach()

file(WRITE ${install_list} "${install_lines}")
file(WRITE ${remove_list} "${remove_lines}")

get_filename_component(script_dir ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)
execute_process(
  COMMAND ${MAKENSIS} -V2 -WX -NOCD -INPUTCHARSET UTF8
          -DVERSION=${VERSION} -DVERSION_MAJOR=${VERSION_MAJOR} -DVERSION_MINOR=${VERSION_MINOR}
          -DOUTFILE=${OUTFILE} -DICON=${ICON} -DINSTALL_LIST=${install_list} -DREMOVE_LIST=${remove_list}
          ${script_dir}/tessaron.nsi
  RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  message(FATAL_ERROR "makensis could not build ${OUTFILE}")
endif()
