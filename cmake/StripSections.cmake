# Run by CPack on the staged files before it packs them: removes the compiler
# identification sections that a plain strip leaves in every program.
file(GLOB_RECURSE programs LIST_DIRECTORIES false
  ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/* ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/lib/velmora/*)
foreach(program ${programs})
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note ${program}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot strip ${program}")
  endif()
endforeach()
