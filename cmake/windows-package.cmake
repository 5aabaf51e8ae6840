# The Windows package of `make windows`: the programs, the configuration, the
# sample templates, the operations reference, the examples, the README and the
# LICENSE, zipped into KX_PACKAGE_DIR/kestrix-VERSION-win64.zip. The
# operations reference comes from the native build's make_operations_page.
set(KX_OPERATIONS_PAGE_FILE "" CACHE FILEPATH "operations.htm, as the native make_operations_page writes it")
set(KX_PACKAGE_DIR ${PROJECT_SOURCE_DIR}/out/windows CACHE PATH "The folder that receives the Windows package")

if(KX_OPERATIONS_PAGE_FILE)
  set(kx_package kestrix-${PROJECT_VERSION}-win64)
  set(kx_stage ${PROJECT_BINARY_DIR}/package/${kx_package})
  set(kx_programs kestrixc)
  if(TARGET kestrix-lsp)
    list(APPEND kx_programs kestrix-lsp)
  endif()
  set(kx_copy_programs)
  foreach(program ${kx_programs})
    list(APPEND kx_copy_programs COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${kx_stage}/
         COMMAND ${CMAKE_STRIP} ${kx_stage}/$<TARGET_FILE_NAME:${program}>)
  endforeach()
  file(GLOB kx_examples ${PROJECT_SOURCE_DIR}/examples/*.kxs)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
  add_custom_target(windows_package
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${kx_stage} ${KX_PACKAGE_DIR}/${kx_package}.zip
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kx_stage}/examples ${KX_PACKAGE_DIR}
    ${kx_copy_programs}
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/templates/Kestrix.conf
            ${PROJECT_SOURCE_DIR}/templates/sample.dll ${PROJECT_SOURCE_DIR}/templates/sample-small.dll
            ${KX_OPERATIONS_PAGE_FILE} ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${kx_stage}/
    COMMAND ${CMAKE_COMMAND} -E copy ${kx_examples} ${kx_stage}/examples/
    COMMAND ${CMAKE_COMMAND} -E tar cf ${KX_PACKAGE_DIR}/${kx_package}.zip --format=zip ${kx_package}
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/package
    DEPENDS ${kx_programs}
    COMMENT "Packing ${KX_PACKAGE_DIR}/${kx_package}.zip"
    VERBATIM)
endif()
