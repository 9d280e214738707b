# Lays out the sample package directory: the data files kept in package/
# and a placeholder for every program and library of the new release that
# this project does not build (the server itself). Run at build time:
#   cmake -DSOURCE=<repo>/package -DTARGET=<build>/package -P AssemblePackage.cmake
file(MAKE_DIRECTORY ${TARGET})
file(GLOB data_files ${SOURCE}/*.INI ${SOURCE}/*.dic ${SOURCE}/README.md)
foreach(file ${data_files})
  file(COPY ${file} DESTINATION ${TARGET})
endforeach()

set(placeholders
  zelserver.exe zelsearcher.exe zelmirror.exe zelidenter.exe zemshutdown.exe
  zemdict.exe zemmaster.exe zemload.exe zemservice.exe
  zelkit64.dll zemkernel64.dll zemsearch64.dll zemdaemon64.dll zemshell64.dll
  zelrpc64.dll zelapi64.dll)
foreach(name ${placeholders})
  file(WRITE ${TARGET}/${name} "${name}: placeholder of the new release's program\n")
endforeach()
file(WRITE ${TARGET}/readme.txt "ZEL Enterprise Database 6.80.5290.64\n\nRead the upgrade notes before starting the server.\n")

# The console program in one variant per native character set.
foreach(variant GB BIG5 UTF8)
  file(MAKE_DIRECTORY ${TARGET}/${variant})
  file(WRITE ${TARGET}/${variant}/zemconsole.exe "zemconsole.exe: ${variant} console placeholder\n")
endforeach()

# The manifest: every file above that the upgrade copies or reads, by its
# SHA-256 and size, so that the upgrade refuses a package that lacks one or
# holds one changed (an archive unpacked in part, a damaged download) before
# it changes anything. README.md is read by people only.
set(manifest_names readme.txt ${placeholders})
foreach(file ${data_files})
  get_filename_component(name ${file} NAME)
  if(NOT name STREQUAL "README.md")
    list(APPEND manifest_names ${name})
  endif()
endforeach()
foreach(variant GB BIG5 UTF8)
  list(APPEND manifest_names ${variant}/zemconsole.exe)
endforeach()
list(SORT manifest_names)
set(manifest "# The files of the upgrade's package: SHA-256, size in bytes, name ('/' between folders).\n")
foreach(name ${manifest_names})
  file(SHA256 ${TARGET}/${name} digest)
  file(SIZE ${TARGET}/${name} size)
  string(APPEND manifest "${digest} ${size} ${name}\n")
endforeach()
file(WRITE ${TARGET}/package.manifest "${manifest}")
