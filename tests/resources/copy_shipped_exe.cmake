# cmake -DSOURCE=built.exe -DTARGET=place/in/prefix.exe -P copy_shipped_exe.cmake
# Never leaves an older copy behind: a missing build fails here, not as a stale pass later.
file(REMOVE ${TARGET})
if(NOT EXISTS ${SOURCE})
  message(FATAL_ERROR "no shipped exe at ${SOURCE}: build it first with scripts/build.sh "
                      "(or cmake --preset windows-x86 && cmake --build --preset windows-x86)")
endif()
get_filename_component(directory ${TARGET} DIRECTORY)
file(MAKE_DIRECTORY ${directory})
file(COPY_FILE ${SOURCE} ${TARGET})
