# The Tiled tests write compressed layer data themselves.
target_link_libraries(${name} PRIVATE velscene_tiled GTest::gtest_main ZLIB::ZLIB ${VELSCENE_ZSTD_TARGET})
