# How the viewer installs, shared by every folder that adds something to an installed copy.
#
# The programs and the unzip engine live together in a private folder, because the
# program finds the engine (and, for a copy of its own, its settings) beside its own
# executable; bin/ holds a relative link to each program, which /proc/self/exe resolves
# back to the private folder. Desktop data goes to the standard folders under share/, where
# the desktop's databases and Debian's dpkg triggers find it.
#
# Adding to an installed copy is one line:
#   jib_install_program(<executable target>)          # in the target's CMakeLists.txt
#   jib_install_data(<file in packaging/> <folder under share/> [<installed name>])
# plus the files it installs in the expected list of tests/packaging/install-test.sh.
include(GNUInstallDirs)

# The one id the desktop knows the program by: the desktop entry's file name, the
# AppStream component, the icon and the window's desktop file name.
set(JIB_APP_ID com.quillbrew.jibview)
set(JIB_INSTALL_PRIVATEDIR "${CMAKE_INSTALL_LIBDIR}/jibview")
set(JIB_PACKAGING_DIR "${CMAKE_CURRENT_LIST_DIR}")

# jib_install_program(<target>): installs the executable into the private folder and a
# link bin/<target> to it.
function(jib_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${JIB_INSTALL_PRIVATEDIR})
  file(RELATIVE_PATH link_target "${CMAKE_INSTALL_FULL_BINDIR}"
       "${CMAKE_INSTALL_FULL_LIBDIR}/jibview/${target}")
  set(link "${CMAKE_BINARY_DIR}/install-links/${target}")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/install-links")
  file(CREATE_LINK "${link_target}" "${link}" SYMBOLIC)
  # install(FILES) copies a link as a link.
  install(FILES "${link}" DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# jib_install_private_library(<target>): a shared library the programs load from their
# own folder. Nothing links against it, so it is data-like: no execute bits.
function(jib_install_private_library target)
  install(TARGETS ${target} LIBRARY DESTINATION ${JIB_INSTALL_PRIVATEDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

# jib_install_data(<file> <folder under share/> [<installed name>]): a file of
# packaging/ into the data folder.
function(jib_install_data file folder)
  set(rename)
  if(ARGC GREATER 2)
    set(rename RENAME ${ARGV2})
  endif()
  install(FILES "${JIB_PACKAGING_DIR}/${file}" DESTINATION "${CMAKE_INSTALL_DATADIR}/${folder}"
          ${rename})
endfunction()
