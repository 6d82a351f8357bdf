# tarvo_install_gzipped(TARGET FILE DESTINATION): compresses FILE with gzip -9n
# (no name or time stamp, as Debian wants its manual pages and changelogs)
# into the build tree as part of TARGET, and installs the .gz in DESTINATION.
function(tarvo_install_gzipped target file destination)
  get_filename_component(name ${file} NAME)
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/gz/${name}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/gz
    COMMAND gzip -9nc ${file} > ${compressed}
    DEPENDS ${file}
    COMMENT "Compressing ${name}"
    VERBATIM)
  target_sources(${target} PRIVATE ${compressed})
  install(FILES ${compressed} DESTINATION ${destination})
endfunction()
