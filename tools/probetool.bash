# bash completion for probetool. The commands, their options and the values an option takes are
# read from the program's own --help, so that they are written down once, in the program.
_probetool() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} command="" help i
  # The command is the first word that is neither an option nor --log's level.
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --log) ((i++)) ;;
      -*) ;;
      *) command=${COMP_WORDS[i]}; break ;;
    esac
  done
  help=$("${COMP_WORDS[0]}" $command --help 2>/dev/null)
  # Words are whole lines, so that a file name with blanks stays one word.
  local IFS=$'\n' values
  # An option that takes one of a list, as "--to TEXT:{xml,image}".
  values=$(sed -n "s/^ *\(-[a-z],\)\{0,1\}$prev [A-Z]*:{\([^}]*\)}.*/\2/p" <<<"$help" | tr , '\n')
  if [[ $prev == -* && -n $values ]]; then
    # In any case, as the program takes them: --log e completes to ERROR.
    local value
    COMPREPLY=()
    for value in $values; do [[ ${value,,} == "${cur,,}"* ]] && COMPREPLY+=("$value"); done
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(sed -n '/^Options:/,/^$/p' <<<"$help" | grep -o -- '--[a-z-]*' |
      sort -u)" -- "$cur"))
  elif [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$(sed -n 's/^  \([a-z]\{1,\}\)  .*/\1/p' <<<"$help")" -- "$cur"))
  else
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -F _probetool probetool
