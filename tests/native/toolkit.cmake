add_executable(toolkit_tests toolkit_test.cpp)
target_link_libraries(toolkit_tests PRIVATE lorvan_toolkit_headless gtest_main)
gtest_discover_tests(toolkit_tests DISCOVERY_TIMEOUT 60)

# The 32-bit product, checked where it was built (scripts/test.sh builds it first); skipped when
# it is not there.
set(LORVAN_PRODUCT_EXE "${CMAKE_SOURCE_DIR}/build/win32/lorvan_setup.exe" CACHE FILEPATH
    "The i686 lorvan_setup.exe that the product check inspects")
add_test(NAME product_pe32_check
         COMMAND bash ${CMAKE_SOURCE_DIR}/app/check_product.sh ${LORVAN_PRODUCT_EXE})
set_tests_properties(product_pe32_check PROPERTIES SKIP_RETURN_CODE 77)
