# test_package loads the design-time package with dlopen, so it links the
# shared host runtime (the package's own) instead of the static libraries.
target_link_libraries(${name} PRIVATE velplatform_shared GTest::gtest_main)
target_compile_definitions(${name} PRIVATE
  VELPACK1_PATH="$<TARGET_FILE:velpack1>"
  VELSCENE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
add_dependencies(${name} velpack1 velpack1_de)
