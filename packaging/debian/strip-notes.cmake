# Install-time step (install(SCRIPT)): removes the compiler's version notes (.comment,
# .note) from the installed programs, as Debian's own packaging does. TIVARO_OBJCOPY and
# TIVARO_NOTED_PROGRAMS (paths under the prefix) are set by the install step before.
foreach(program IN LISTS TIVARO_NOTED_PROGRAMS)
  set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}")
  execute_process(COMMAND "${TIVARO_OBJCOPY}" --remove-section=.comment --remove-section=.note
                          "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objcopy could not remove the notes from ${file}")
  endif()
endforeach()
