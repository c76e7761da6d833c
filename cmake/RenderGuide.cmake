# Renders the user's guide from Markdown to one HTML page with its pictures:
#   cmake -DMARKDOWN=cmark-gfm -DSOURCE=docs -DOUT=build/doc -P RenderGuide.cmake
# cmark-gfm's table extension reads the guide's tables; the page gets a
# title, a character set and a style that follows the reader's light or
# dark colour scheme.
execute_process(COMMAND ${MARKDOWN} -e table -e autolink ${SOURCE}/guide.md
  OUTPUT_VARIABLE body RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${MARKDOWN} could not render ${SOURCE}/guide.md (status ${status})")
endif()
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
