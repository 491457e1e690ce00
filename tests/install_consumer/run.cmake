# Installs the build tree into a scratch prefix, checks that it holds only
# public headers under include/velscene/, then configures, builds and runs the
# consumer against it with find_package(Velscene), together with one source
# per installed header that includes that header alone.
set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix} RESULT_VARIABLE r OUTPUT_QUIET)
if(r)
  message(FATAL_ERROR "install failed")
endif()

file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*)
set(sources)
foreach(h ${headers})
  if(NOT h MATCHES "^velscene/" OR h MATCHES "/internal/")
    message(FATAL_ERROR "installed header outside the public set: ${h}")
  endif()
  string(MAKE_C_IDENTIFIER ${h} id)
  file(WRITE ${WORK}/headers/${id}.cpp "#include <${h}>\n")
  list(APPEND sources ${WORK}/headers/${id}.cpp)
endforeach()
list(LENGTH headers count)
message(STATUS "${count} public headers installed")

execute_process(COMMAND ${CMAKE_COMMAND} -G Ninja -S ${SOURCE} -B ${WORK}/build -DCMAKE_PREFIX_PATH=${prefix}
                        "-DCONSUMER_EXTRA_SOURCES=${sources}"
                RESULT_VARIABLE r)
if(r)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK}/build RESULT_VARIABLE r)
if(r)
  message(FATAL_ERROR "consumer build failed")
endif()
execute_process(COMMAND ${WORK}/build/consumer ${SCENE} OUTPUT_VARIABLE out RESULT_VARIABLE r)
set(expect "version [0-9.]+ origin 216 119 path 0 waypoints 2 figures [1-9]")
if(EXISTS ${prefix}/include/velscene/tiled)
  string(APPEND expect "[0-9]* tiled 2x3")
endif()
if(r OR NOT out MATCHES "${expect}")
  message(FATAL_ERROR "consumer run failed: ${out}")
endif()
