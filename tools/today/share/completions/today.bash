# Bash completion of the today command: subcommands, their options, and plan ids from `today list`.

# The ids of the listed plans, in the group the command line names (first column of the TSV list).
_today_plan_ids() {
    local group=() i
    for ((i = 1; i < ${#COMP_WORDS[@]} - 1; i++)); do
        [[ ${COMP_WORDS[i]} == --group ]] && group=(--group "${COMP_WORDS[i + 1]}")
    done
    "${COMP_WORDS[0]}" list "${group[@]}" --format tsv 2>/dev/null | tail -n +2 | cut -f1
}

_today() {
    local cur prev words cword
    _init_completion || return

    local commands="show agenda next list add update remove link open integrate demo bar help"
    local common="--group --color --no-color --help"
    local formats="--format --json --pretty"
    local days="today tomorrow yesterday monday tuesday wednesday thursday friday saturday sunday next last"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --group | --color | --format | --at | --project | --days | --from | --to | --max-width | --interval) ((i++)) ;;
            -*) ;;
            *) command=${words[i]}; break ;;
        esac
    done

    case $prev in
        --color) COMPREPLY=($(compgen -W "auto always never" -- "$cur")); return ;;
        --format)
            if [[ $command == bar ]]; then COMPREPLY=($(compgen -W "waybar polybar i3blocks plain" -- "$cur"))
            else COMPREPLY=($(compgen -W "text json jsonl tsv" -- "$cur")); fi
            return ;;
        --at | --from | --to) COMPREPLY=($(compgen -W "now $days" -- "$cur")); return ;;
        --project) COMPREPLY=($(compgen -W "$(_today_plan_ids)" -- "$cur")); return ;;
        --group | --days | --max-width | --interval) return ;;
    esac

    case $command in
        "") COMPREPLY=($(compgen -W "$commands $days $common $formats --at --project --hide-done --by-plan --version" -- "$cur")) ;;
        show) COMPREPLY=($(compgen -W "$days $common $formats --at --project --hide-done --by-plan" -- "$cur")) ;;
        agenda) COMPREPLY=($(compgen -W "$common $formats --project --hide-done --by-plan --all-days --days --from --to $days" -- "$cur")) ;;
        next) COMPREPLY=($(compgen -W "$common $formats --project --hide-done --at -n --count" -- "$cur")) ;;
        list) COMPREPLY=($(compgen -W "$common $formats" -- "$cur")) ;;
        bar) COMPREPLY=($(compgen -W "$common --format --project --max-width --watch --interval" -- "$cur")) ;;
        add)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$common --again" -- "$cur"))
            else
                _filedir '@(json|xml)'
            fi
            ;;
        update | remove)
            if [[ $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$common" -- "$cur"))
            else
                COMPREPLY=($(compgen -W "$(_today_plan_ids)" -- "$cur"))
                _filedir '@(json|xml)'
            fi
            ;;
        link) COMPREPLY=($(compgen -W "project guide legacy" -- "$cur")) ;;
        open) COMPREPLY=($(compgen -W "$common --launch current" -- "$cur")) ;;
        integrate) COMPREPLY=($(compgen -W "$common --undo" -- "$cur")) ;;
        help) COMPREPLY=($(compgen -W "$commands" -- "$cur")) ;;
        demo) COMPREPLY=($(compgen -W "$common" -- "$cur")) ;;
    esac
}
complete -F _today today
