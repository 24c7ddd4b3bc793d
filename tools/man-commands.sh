#!/bin/sh
# The COMMANDS section of probetool's manual page, for help2man's --include: each command's own
# --help as the program prints it, the commands read from the program's --help. So the commands
# and options are written down once, in the program.
tool=$1
echo "[COMMANDS]"
"$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z]\{1,\}\)  .*/\1/p' |
  while read -r command; do
    printf '.SS %s\n.nf\n' "$command"
    "$tool" "$command" --help | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
    printf '.fi\n'
  done
