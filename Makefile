# Shortcuts for dev.sh, which installs what is missing and builds first.
.PHONY: run test bench fuzz

run:
	./dev.sh run

test:
	./dev.sh test

bench:
	./dev.sh bench

fuzz:
	./dev.sh fuzz
