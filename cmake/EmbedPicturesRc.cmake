# Writes a resource script holding each of the ornament's pictures as an
# RCDATA resource in its stored form: a 32-bit little-endian byte count,
# the class name with its length byte (10, "TPNGObject"), then the PNG
# stream. Resource data is written as 16-bit words, so an odd-sized picture
# gets one byte of padding, which the byte count leaves out.
#
# cmake -DASSET_DIR=... -DOUTPUT=... -DNAMES="Star1;..." -P EmbedPicturesRc.cmake

set(class_name "TPNGObject")
string(LENGTH "${class_name}" class_length)

function(hex_of_number value bytes out)
  set(result "")
  foreach(i RANGE 1 ${bytes})
    math(EXPR byte "${value} & 255")
    math(EXPR value "${value} >> 8")
    math(EXPR byte_hex "${byte}" OUTPUT_FORMAT HEXADECIMAL)
    string(REGEX REPLACE "^0x(.)$" "0x0\\1" byte_hex "${byte_hex}")
    string(SUBSTRING "${byte_hex}" 2 2 digits)
    string(APPEND result "${digits}")
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

set(script "// Generated from assets/ by cmake/EmbedPicturesRc.cmake. Do not edit.\n")
foreach(name ${NAMES})
  file(READ "${ASSET_DIR}/${name}.png" png HEX)
  string(LENGTH "${png}" hex_length)
  math(EXPR png_length "${hex_length} / 2")
  math(EXPR stored_length "1 + ${class_length} + ${png_length}")
  hex_of_number(${stored_length} 4 count_hex)
  hex_of_number(${class_length} 1 length_hex)
  string(HEX "${class_name}" class_hex)
  set(bytes "${count_hex}${length_hex}${class_hex}${png}")
  string(LENGTH "${bytes}" bytes_length)
  math(EXPR odd "(${bytes_length} / 2) % 2")
  if(odd)
    string(APPEND bytes "00")
  endif()
  # Each pair of bytes becomes one little-endian word.
  string(REGEX REPLACE "(..)(..)" "0x\\2\\1," words "${bytes}")
  string(REGEX REPLACE ",$" "" words "${words}")
  string(APPEND script "${name} RCDATA\nBEGIN\n${words}\nEND\n\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${script}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
