# Shortcuts for the two commands in tools/ (make itself may be missing on a
# new machine; the scripts are what the README names).
.PHONY: run test bench
run:
	bash tools/run.sh
test:
	bash tools/test.sh
bench:
	cmake --build build --target engine_bench kestrune
	for b in Replace KeepLinesWith DeleteLinesWith ReplaceBetween ReplaceBetweenInFile SortByElement SortDistinct; do \
	  build/bench/engine_bench --benchmark_filter="^$$b/"; done
	bash bench/peak_memory.sh build/kestrune
