# The folders of the core, each a library that may include only the folders below it.
# torven_layer_check(<folder> <lower folder>...) adds a build step that fails on an upward
# include; it runs again whenever a file of the folder changes.
function(torven_layer_check folder)
  file(GLOB_RECURSE watched CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.h" "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
  string(REPLACE "/" "_" name "${folder}")
  set(stamp "${CMAKE_BINARY_DIR}/layers/${name}.checked")
  add_custom_command(
    OUTPUT "${stamp}"
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -DFOLDER=${folder} "-DALLOWED=${ARGN}" -DSTAMP=${stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    DEPENDS ${watched} ${CMAKE_SOURCE_DIR}/cmake/check_includes.cmake
    COMMENT "Checking that ${folder}/ includes nothing above it"
    VERBATIM)
  add_custom_target(layers_${name} ALL DEPENDS "${stamp}")
endfunction()
