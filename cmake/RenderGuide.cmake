# Renders the user's guide from Markdown to one HTML page with its pictures:
#   cmake -DMARKDOWN=cmark-gfm -DSOURCE=docs -DOUT=build/doc -DDATA=../Scmp/ -P RenderGuide.cmake
# cmark-gfm's table extension reads the guide's tables; the page gets a
# title, a character set and a style that follows the reader's light or
# dark colour scheme. DATA is where the data folder (SCMP.DEL, Samples/)
# lies from OUT: the guide's links to the samples, written from docs/ as
# "../Scmp/", are made to lead there (in an installed tree the data folder
# is share/scmp-trainer and the guide share/doc/scmp-trainer).
cmake_minimum_required(VERSION 3.20)
execute_process(COMMAND ${MARKDOWN} -e table -e autolink ${SOURCE}/guide.md
  OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${MARKDOWN} could not render ${SOURCE}/guide.md (status ${status})")
endif()
if(NOT DATA)
  set(DATA "../Scmp/")
endif()
string(REPLACE "href=\"../Scmp/" "href=\"${DATA}" body "${body}")

# cmark-gfm gives headings no ids; the table of contents links to the ids
# GitHub makes: the heading's text without tags or entities, lower case,
# only letters, digits, spaces, "-" and "_" kept, spaces made "-", and
# "-1", "-2" ... after a repeated one.
set(with_ids "")
set(rest "${body}")
set(seen "")
while(TRUE)
  string(REGEX MATCH "<h([1-6])>([^\n]*)</h[1-6]>" heading "${rest}")
  if(heading STREQUAL "")
    break()
  endif()
  set(level "${CMAKE_MATCH_1}")
  set(text "${CMAKE_MATCH_2}")
  string(REGEX REPLACE "<[^>]*>" "" slug "${text}")
  string(REGEX REPLACE "&[#a-zA-Z0-9]+;" "" slug "${slug}")
  string(TOLOWER "${slug}" slug)
  string(REGEX REPLACE "[^-a-z0-9 _]" "" slug "${slug}")
  string(REPLACE " " "-" slug "${slug}")
  set(base "${slug}")
  set(n 0)
  while("${slug}" IN_LIST seen)
    math(EXPR n "${n} + 1")
    set(slug "${base}-${n}")
  endwhile()
  list(APPEND seen "${slug}")
  string(FIND "${rest}" "${heading}" at)
  string(LENGTH "${heading}" length)
  string(SUBSTRING "${rest}" 0 ${at} before)
  math(EXPR after "${at} + ${length}")
  string(SUBSTRING "${rest}" ${after} -1 rest)
  string(APPEND with_ids "${before}<h${level} id=\"${slug}\">${text}</h${level}>")
endwhile()
set(body "${with_ids}${rest}")
file(MAKE_DIRECTORY ${OUT}/guide)
file(GLOB pictures ${SOURCE}/guide/*.png)
file(COPY ${pictures} DESTINATION ${OUT}/guide)
file(WRITE ${OUT}/guide.html "<!DOCTYPE html>
<html lang=\"en\"><head><meta charset=\"utf-8\">
<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">
<title>The SC/MP trainer: a user's guide</title>
<style>
:root { color-scheme: light dark; }
body { font-family: 'DejaVu Sans', sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em; line-height: 1.5; }
img { max-width: 100%; height: auto; }
table { border-collapse: collapse; } td, th { border: 1px solid #888; padding: 0.2em 0.5em; }
pre, code { font-family: 'DejaVu Sans Mono', monospace; } pre { overflow-x: auto; padding: 0.5em; border: 1px solid #888; }
</style></head><body>
${body}</body></html>
")
