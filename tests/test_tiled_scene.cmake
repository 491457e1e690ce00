# Tiled maps as scenes: the scene reader and the headless runner.
target_link_libraries(${name} PRIVATE velscene_runner velscene_tiled GTest::gtest_main)
