# Build-time tools and the run-time content they make. The tools are Windows programs and run
# through the cross-compiling emulator, inside the game folder, where their results belong.

add_executable(model_generator tools/model_generator.cpp)
target_compile_options(model_generator PRIVATE ${TESSARON_WARNINGS})
target_link_libraries(model_generator PRIVATE tessaron_core)

add_executable(data_packer tools/data_packer.cpp)
target_compile_options(data_packer PRIVATE ${TESSARON_WARNINGS})
target_link_libraries(data_packer PRIVATE ole32 uuid)

set(CONTENT_MODEL ${GAME_DIR}/cube.x)
set(CONTENT_TEXTURE ${GAME_DIR}/sticker.bmp)
set(CONTENT_DATA ${GAME_DIR}/tessaron.qzb)

add_custom_command(
  OUTPUT ${CONTENT_MODEL} ${CONTENT_TEXTURE}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:model_generator>
  DEPENDS model_generator
  WORKING_DIRECTORY ${GAME_DIR}
  COMMENT "Generating the cube model"
  VERBATIM)

add_custom_command(
  OUTPUT ${CONTENT_DATA}
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:data_packer> tessaron.qzb cube.x sticker.bmp
  DEPENDS data_packer ${CONTENT_MODEL} ${CONTENT_TEXTURE}
  WORKING_DIRECTORY ${GAME_DIR}
  COMMENT "Packing the data file"
  VERBATIM)

add_custom_target(game_content ALL DEPENDS ${CONTENT_MODEL} ${CONTENT_TEXTURE} ${CONTENT_DATA})

# Load and pick timings; built beside the benchmark, run by hand from the game folder.
add_executable(content_benchmark tools/content_benchmark.cpp)
target_compile_options(content_benchmark PRIVATE ${TESSARON_WARNINGS})
target_link_libraries(content_benchmark PRIVATE tessaron_core)
set_target_properties(content_benchmark PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# The start-up floor for bench/run_bench.py: a trivial window program, started beside the game.
add_executable(trivial_window WIN32 tools/bench/trivial_window.cpp)
target_compile_options(trivial_window PRIVATE ${TESSARON_WARNINGS})
target_link_options(trivial_window PRIVATE -municode)
target_link_libraries(trivial_window PRIVATE user32 gdi32)
set_target_properties(trivial_window PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# The Direct3D floor for bench/run_bench.py: the least program that draws like the game.
add_executable(d3d_floor WIN32 tools/bench/d3d_floor.cpp framework/frame_log.cpp)
target_include_directories(d3d_floor PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(d3d_floor PRIVATE ${TESSARON_WARNINGS})
target_link_options(d3d_floor PRIVATE -municode)
target_link_libraries(d3d_floor PRIVATE d3d9 user32 gdi32)
set_target_properties(d3d_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
