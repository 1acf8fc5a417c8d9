# Where `cmake --install` puts each piece, by the Filesystem Hierarchy Standard
# and Debian's layout. The programs Velmora starts for itself go to
# lib/velmora/, which the app finds as ../lib/velmora from its own bin/ folder;
# that is why the folder is fixed rather than CMAKE_INSTALL_LIBDIR (a
# multiarch folder under /usr), which would break the relative lookup.
include(GNUInstallDirs)

set(VELMORA_APP_ID io.github.velmora.Velmora)
set(VELMORA_PRIVATE_DIR lib/velmora)
set(VELMORA_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/velmora)
set(data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS velmora velmora-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS extract RUNTIME DESTINATION ${VELMORA_PRIVATE_DIR}/new_extract)

install(FILES ${data}/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${data}/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${data}/icons/${VELMORA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${data}/icons/${size}x${size}/${VELMORA_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The release named by the project must be the one the software centre and the
# package changelog announce; a forgotten bump would publish a stale page.
foreach(file ${VELMORA_APP_ID}.metainfo.xml debian/changelog)
  file(READ ${data}/${file} text)
  string(FIND "${text}" "${PROJECT_VERSION}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "data/${file} does not mention version ${PROJECT_VERSION}")
  endif()
endforeach()

# Man pages and the changelog are installed compressed, as Debian expects;
# -n leaves the name and time stamp out so that the package is reproducible.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(compressed)
foreach(source velmora.1 velmora-convert.1 debian/changelog)
  get_filename_component(name ${source} NAME)
  if(name STREQUAL "changelog")
    set(name changelog.Debian)
  endif()
  set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${data}/${source} ${CMAKE_BINARY_DIR}/compressed/${name}
    COMMAND ${GZIP_PROGRAM} -9n -f ${CMAKE_BINARY_DIR}/compressed/${name}
    DEPENDS ${data}/${source}
    VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(velmora_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${CMAKE_BINARY_DIR}/compressed/velmora.1.gz ${CMAKE_BINARY_DIR}/compressed/velmora-convert.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/debian/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz
        DESTINATION ${VELMORA_DOC_DIR})
