# The installer as a CPack generator. In a product's CMakeLists.txt, with its install() rules and
# its CPACK_* settings:
#   find_package(zrvtool REQUIRED)
#   set(CPACK_GENERATOR External)
#   include(ZrvCPack)
# `cpack` then stages what install() installs and makes an installation medium of it with
# `zrvtool medium` (ZrvCPackMedium.cmake holds the settings it reads). CPack itself is included at
# the end of the directory that includes this module, unless the product includes it there first
# (`include(CPack)` after this module, as CMake's own generators are used); so CPACK_* settings
# may come before or after this line.
if(NOT TARGET zrvtool::zrvtool)
  message(FATAL_ERROR "ZrvCPack: zrvtool::zrvtool is not defined; call find_package(zrvtool REQUIRED) first")
endif()
if(DEFINED CPack_CMake_INCLUDED)
  message(FATAL_ERROR "ZrvCPack: CPack was included before ZrvCPack, so its configuration is already "
                      "written without the medium: include(ZrvCPack) before include(CPack), or in its place")
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

# The settings this generator reads; any other CPACK_ZRV_ name is a slip of the pen.
set(_zrv_known_settings CPACK_ZRV_DEFAULT_DIR CPACK_ZRV_FREE_SPACE CPACK_ZRV_REGISTRY_SCRIPT CPACK_ZRV_BLOCK_SIZE
    CPACK_ZRV_VOLUME_SIZE CPACK_ZRV_BUNDLE CPACK_ZRV_SIGN CPACK_ZRV_ARCH CPACK_ZRV_SCOPE CPACK_ZRV_TOOL
    CPACK_ZRV_CODE_PAGE CPACK_ZRV_LANGUAGES)

# The Scope line's values; the setting may be set after this module, so it is checked at the end.
set(_zrv_scopes machine user either "either|machine" "either|user")

# The edit distance between two names (insertions, deletions, substitutions and swaps of two
# neighbours each count one).
function(_zrv_distance a b out)
  string(LENGTH "${a}" la)
  string(LENGTH "${b}" lb)
  set(prev2 "")
  set(prev "")
  foreach(j RANGE 0 ${lb})
    list(APPEND prev ${j})
  endforeach()
  foreach(i RANGE 1 ${la})
    math(EXPR im1 "${i} - 1")
    string(SUBSTRING "${a}" ${im1} 1 ca)
    set(row ${i})
    foreach(j RANGE 1 ${lb})
      math(EXPR jm1 "${j} - 1")
      string(SUBSTRING "${b}" ${jm1} 1 cb)
      list(GET prev ${jm1} diag)
      list(GET prev ${j} up)
      list(GET row ${jm1} left)
      set(cost 1)
      if(ca STREQUAL cb)
        set(cost 0)
      endif()
      math(EXPR best "${diag} + ${cost}")
      math(EXPR other "${up} + 1")
      if(other LESS best)
        set(best ${other})
      endif()
      math(EXPR other "${left} + 1")
      if(other LESS best)
        set(best ${other})
      endif()
      if(i GREATER 1 AND j GREATER 1)
        math(EXPR im2 "${i} - 2")
        math(EXPR jm2 "${j} - 2")
        string(SUBSTRING "${a}" ${im2} 1 pa)
        string(SUBSTRING "${b}" ${jm2} 1 pb)
        if(ca STREQUAL pb AND pa STREQUAL cb)
          list(GET prev2 ${jm2} swap)
          math(EXPR other "${swap} + 1")
          if(other LESS best)
            set(best ${other})
          endif()
        endif()
      endif()
      list(APPEND row ${best})
    endforeach()
    set(prev2 "${prev}")
    set(prev "${row}")
  endforeach()
  list(GET prev ${lb} d)
  set(${out} ${d} PARENT_SCOPE)
endfunction()

# Warns of each CPACK_ZRV_ variable that the generator does not read, naming the closest it does.
function(_zrv_check_setting_names)
  get_cmake_property(names VARIABLES)
  foreach(name IN LISTS names)
    if(NOT name MATCHES "^CPACK_ZRV_" OR name IN_LIST _zrv_known_settings)
      continue()
    endif()
    set(closest "")
    set(closest_distance 1000)
    foreach(known IN LISTS _zrv_known_settings)
      _zrv_distance("${name}" "${known}" d)
      if(d LESS closest_distance)
        set(closest "${known}")
        set(closest_distance ${d})
      endif()
    endforeach()
    message(WARNING "ZrvCPack: ${name} is not a setting of the generator and is ignored; did you mean ${closest}?")
  endforeach()
endfunction()

# At the end of the directory: the names checked, and CPack included unless the product did.
macro(_zrv_finish_cpack)
  _zrv_check_setting_names()
  if(NOT "${CPACK_ZRV_SCOPE}" STREQUAL "" AND NOT "${CPACK_ZRV_SCOPE}" IN_LIST _zrv_scopes)
    message(FATAL_ERROR "ZrvCPack: CPACK_ZRV_SCOPE is '${CPACK_ZRV_SCOPE}'; give machine, user, either, "
                        "either|machine or either|user")
  endif()
  if(NOT "External" IN_LIST CPACK_GENERATOR)
    message(WARNING "ZrvCPack: CPACK_GENERATOR does not name External, so `cpack` makes no medium "
                    "unless it is run as `cpack -G External`")
  endif()
  if(NOT DEFINED CPack_CMake_INCLUDED)
    include(CPack)
  endif()
endmacro()
cmake_language(DEFER CALL _zrv_finish_cpack)
