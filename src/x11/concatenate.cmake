# cmake -DOUTPUT=file -DINPUTS=a;b -P concatenate.cmake: the inputs one after another,
# a blank line between them.
set(text "")
foreach(input IN LISTS INPUTS)
  file(READ "${input}" part)
  if(text)
    string(APPEND text "\n")
  endif()
  string(APPEND text "${part}")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
