# The installer as a CPack generator. In a product's CMakeLists.txt, after its install() rules and
# its CPACK_* settings:
#   find_package(zrvtool REQUIRED)
#   set(CPACK_GENERATOR External)
#   include(ZrvCPack)
# `cpack` then stages what install() installs and makes an installation medium of it with
# `zrvtool medium` (ZrvCPackMedium.cmake holds the settings it reads). This module includes CPack
# itself, so every CPACK_* setting must come before it.
if(NOT TARGET zrvtool::zrvtool)
  message(FATAL_ERROR "ZrvCPack: zrvtool::zrvtool is not defined; call find_package(zrvtool REQUIRED) first")
endif()
if(DEFINED CPack_CMake_INCLUDED)
  message(FATAL_ERROR "ZrvCPack: CPack was included before ZrvCPack; include(ZrvCPack) in its place")
endif()

if(NOT "External" IN_LIST CPACK_GENERATOR)
  message(WARNING "ZrvCPack: CPACK_GENERATOR does not name External, so `cpack` makes no medium "
                  "unless it is run as `cpack -G External`")
endif()

# The installer's architecture is the product's own unless the author names one: a 64-bit
# product gets the 64-bit installer, whose registry writes land in the 64-bit view.
if("${CPACK_ZRV_ARCH}" STREQUAL "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_ZRV_ARCH x64)
  else()
    set(CPACK_ZRV_ARCH x86)
  endif()
endif()
if(NOT CPACK_ZRV_ARCH MATCHES "^(x86|x64)$")
  message(FATAL_ERROR "ZrvCPack: CPACK_ZRV_ARCH is '${CPACK_ZRV_ARCH}'; give x86 or x64")
endif()

get_target_property(CPACK_ZRV_TOOL zrvtool::zrvtool LOCATION)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/ZrvCPackMedium.cmake")
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
# Windows paths keep their backslashes on the way to the package script.
set(CPACK_VERBATIM_VARIABLES ON)
# The installer has no components to choose from: the medium holds the whole product.
set(CPACK_MONOLITHIC_INSTALL ON)
include(CPack)
