# The release archive an administrator downloads: one folder named after the
# archive, holding the package as the upgrade runs from it (the program
# beside every file it copies or reads, the server's programs and
# libraries, the data, readme.txt) and zelhome, which shows, compares and
# previews home directories. Its SHA-256 lies beside it.
#
#   cmake --build <build> --target package
#
# makes <build>/upgrade-<version>-win64.zip from the Windows build and
# upgrade-<version>-<system>-<processor>.tar.gz from a native one.
install(TARGETS upgrade zelhome RUNTIME DESTINATION .)
# The package is laid out again in the archive's folder rather than copied
# from the build tree's package directory, which the tests run programs in.
install(CODE "
  set(SOURCE \"${PROJECT_SOURCE_DIR}/package\")
  set(TARGET \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/AssemblePackage.cmake\")
")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(ZEL_RELEASE_PLATFORM win64)
else()
  set(CPACK_GENERATOR TGZ)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" ZEL_RELEASE_PLATFORM)
endif()
set(CPACK_PACKAGE_NAME upgrade)
set(CPACK_PACKAGE_VENDOR "The ZEL developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME upgrade-${PROJECT_VERSION}-${ZEL_RELEASE_PLATFORM})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The programs without their debugging information, which a RelWithDebInfo
# build would otherwise carry into the download.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
