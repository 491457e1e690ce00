# Run by ctest: worldgen, run afresh, writes exactly the committed world scene.
execute_process(COMMAND "${WORLDGEN}" "${OUT}" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "worldgen failed: ${err}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUT}" "${SCENE}" RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "the generated world differs from the committed scene: run worldgen scenes/world/world.json")
endif()
