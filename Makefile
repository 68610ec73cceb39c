# Shortcuts for the two commands in tools/ (make itself may be missing on a
# new machine; the scripts are what the README names).
.PHONY: run test bench
run:
	bash tools/run.sh
test:
	bash tools/test.sh
bench:
	cmake --build build --target engine_bench preview_bench kestrune
	build/bench/engine_bench
	build/bench/preview_bench
	bash bench/compare
