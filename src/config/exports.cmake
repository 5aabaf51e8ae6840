# The reader of the exported data symbols of DLLs and shared objects, which
# template authors use to write configuration entries.
add_library(kx_exports STATIC config/export_table.cpp config/byte_reader.cpp config/pe_exports.cpp
                              config/elf_exports.cpp)
target_include_directories(kx_exports PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(kx_exports PUBLIC kx_util)

if(KX_BUILD_TESTS)
  add_executable(exports_test config/export_table_test.cpp config/export_test_images.cpp)
  target_link_libraries(exports_test PRIVATE kx_exports kx_testing GTest::gtest_main)
  gtest_discover_tests(exports_test DISCOVERY_MODE PRE_TEST)
endif()
