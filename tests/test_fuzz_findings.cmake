# Fuzz findings in the scene reader need the scene library, when it is built.
target_link_libraries(${name} PRIVATE velscene GTest::gtest_main)
if(TARGET velscene_scene)
  target_link_libraries(${name} PRIVATE velscene_scene)
  target_compile_definitions(${name} PRIVATE VELSCENE_SCENE_FILES=1)
endif()
