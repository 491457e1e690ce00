# Smoke test of the velscene command, run by ctest: render a few ticks of the
# demo (PNG frames, animation, trace), refuse a broken scene, fall back to files.
function(expect_png path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "missing ${path}")
  endif()
  file(READ "${path}" head LIMIT 8 HEX)
  if(NOT head STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "${path} is not a PNG")
  endif()
endfunction()

file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${VELSCENE}" render "${SCENE}" --ticks 5 --out "${OUT}/render" --trace "${OUT}/trace.jsonl"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "velscene render failed (${rc}): ${out}${err}")
endif()
foreach(i 1 2 3 4 5)
  expect_png("${OUT}/render/frame_000${i}.png")
endforeach()
if(EXISTS "${OUT}/render/frame_0006.png")
  message(FATAL_ERROR "more frames than ticks")
endif()
expect_png("${OUT}/render/animation.png")
file(READ "${OUT}/render/animation.png" anim HEX)
string(FIND "${anim}" "6163544c00000005" actl)  # "acTL", 5 frames
if(actl EQUAL -1)
  message(FATAL_ERROR "animation.png has no acTL chunk for 5 frames")
endif()
file(STRINGS "${OUT}/trace.jsonl" lines)
list(LENGTH lines count)
if(NOT count EQUAL 6)
  message(FATAL_ERROR "expected 6 trace lines (ticks 0 to 5), got ${count}")
endif()

# A broken scene: exit code 1, a message naming the file and the place.
file(WRITE "${OUT}/broken.json" "{\"figures\": [{\"name\": \"a\", \"frames\": [{\"number\": 1, \"image\": \"nope.png\"}]}]}")
execute_process(COMMAND "${VELSCENE}" render "${OUT}/broken.json" --ticks 1 --out "${OUT}/broken"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${err}" "broken.json: figures[0].frames[0].image: no such image file" where)
if(NOT rc EQUAL 1 OR where EQUAL -1 OR EXISTS "${OUT}/broken")
  message(FATAL_ERROR "broken scene: rc ${rc}, stderr: ${err}")
endif()

# play without a window system renders to files and says where.
execute_process(COMMAND "${CMAKE_COMMAND}" -E env VELSCENE_BACKEND=headless
                        "${VELSCENE}" play "${SCENE}" --ticks 2 --out "${OUT}/play"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(FIND "${out}" "${OUT}/play" said)
if(NOT rc EQUAL 0 OR said EQUAL -1)
  message(FATAL_ERROR "play fallback: rc ${rc}: ${out}${err}")
endif()
expect_png("${OUT}/play/frame_0002.png")
expect_png("${OUT}/play/animation.png")
