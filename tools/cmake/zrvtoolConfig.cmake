# find_package(zrvtool): the imported executable zrvtool::zrvtool and the CPack generator module
# ZrvCPack (include(ZrvCPack) after setting CPACK_GENERATOR to External).
include("${CMAKE_CURRENT_LIST_DIR}/zrvtoolTargets.cmake")
if(NOT "${CMAKE_CURRENT_LIST_DIR}" IN_LIST CMAKE_MODULE_PATH)
  list(APPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}")
endif()
