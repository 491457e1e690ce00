# The soak test links the scene runner too, when scene files are built, to
# run the demo scene.
target_link_libraries(${name} PRIVATE velscene GTest::gtest_main)
if(TARGET velscene_runner)
  target_link_libraries(${name} PRIVATE velscene_runner)
  target_compile_definitions(${name} PRIVATE VELSCENE_SCENES_DIR="${PROJECT_SOURCE_DIR}/scenes")
endif()
