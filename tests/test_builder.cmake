# test_builder runs the velbuilder program on scripts.
target_link_libraries(${name} PRIVATE GTest::gtest_main)
target_compile_definitions(${name} PRIVATE VELBUILDER_PATH="$<TARGET_FILE:velbuilder>"
                                           VELPACK1_PATH="$<TARGET_FILE:velpack1>")
add_dependencies(${name} velbuilder velpack1)
