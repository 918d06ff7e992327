# SPDX-License-Identifier: MIT
# bash completion for quillmar, the command-line tool of the Quillmar reader.

_quillmar() {
  local cur prev words cword
  _init_completion || return

  local commands="collections register texts info media show dump-stream build check search
    words xref modules online import help"
  local table="--format --header --help"
  local search_options="--collection --format --header --distance --mode --fuzzy --parts
    --languages --texts --from --to --date --lang --context --repeat --unicode --help"

  # The command: the first word that is no option.
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --collection | --format | --text | --layer | -o | --output | --fuzzy | --distance | \
        --mode | --parts | --languages | --texts | --from | --to | --date | --lang | \
        --context | --repeat | --url | --id | --text-level)
        ((i++)) ;;
      -*) ;;
      *) command=${words[i]}; break ;;
    esac
  done

  case $prev in
    --collection | -o | --output)
      _filedir -d
      return ;;
    --fuzzy)
      if [[ $command == build || $command == check ]]; then
        _filedir '@(so|dll|dylib)'
      else
        COMPREPLY=($(compgen -W "0 1 2 3 4" -- "$cur"))
      fi
      return ;;
    --format)
      if [[ $command == search ]]; then
        COMPREPLY=($(compgen -W "text tsv json jsonl" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "tsv json jsonl" -- "$cur"))
      fi
      return ;;
    --from)
      if [[ $command == build ]]; then COMPREPLY=($(compgen -W "tei osis" -- "$cur")); fi
      return ;;
    --layer) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")); return ;;
    --mode) COMPREPLY=($(compgen -W "paragraph section" -- "$cur")); return ;;
    --lang) COMPREPLY=($(compgen -W "de en" -- "$cur")); return ;;
    --text | --distance | --parts | --languages | --texts | --to | --date | \
      --context | --repeat | --url | --id | --text-level)
      return ;;
  esac

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local options=""
  case $command in
    collections | texts | info | media | xref) options="--collection $table" ;;
    words) options="--collection --lang $table" ;;
    show) options="--collection --text --layer --plain --unicode --help" ;;
    build) options="-o --output --fuzzy --from --id --text-level --help" ;;
    import)
      options="-o --output --id --text-level --help"
      [[ $cur != -* && ${words[cword - 1]} == import ]] &&
        COMPREPLY=($(compgen -W "tei osis" -- "$cur")) && return
      ;;
    online)
      options="--url $table"
      [[ $cur != -* && ${words[cword - 1]} == online ]] &&
        COMPREPLY=($(compgen -W "refresh list get" -- "$cur")) && return
      ;;
    check) options="--collection --fuzzy --help" ;;
    search) options=$search_options ;;
    modules)
      options=$table
      [[ $cur != -* && ${words[cword - 1]} == modules ]] &&
        COMPREPLY=($(compgen -W "add remove" -- "$cur")) && return
      ;;
    help) COMPREPLY=($(compgen -W "$commands" -- "$cur")); return ;;
    register) _filedir -d; return ;;
    *) options="--help" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  else
    case $command in
      build) _filedir '@(qms|xml)' ;;
      import) _filedir xml ;;
      dump-stream) _filedir ;;
      modules) [[ ${words[cword - 1]} == add ]] && _filedir '@(so|dll|dylib)' ;;
    esac
  fi
} && complete -F _quillmar quillmar
