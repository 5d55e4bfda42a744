# Fish completion of the today command: subcommands, their options, and plan ids from `today list`.

set -l commands show agenda next list add update remove link open integrate demo bar help

# The ids of the listed plans (first column of the TSV list), in the group the command line names.
function __today_plan_ids
    set -l tokens (commandline -opc)
    set -l group
    for i in (seq (count $tokens))
        if test "$tokens[$i]" = --group; and test $i -lt (count $tokens)
            set group --group $tokens[(math $i + 1)]
        end
    end
    $tokens[1] list $group --format tsv 2>/dev/null | tail -n +2 | cut -f1
end

complete -c today -f
complete -c today -n "not __fish_seen_subcommand_from $commands" -a show -d "The tasks of each plan today"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a agenda -d "The days of a range with their tasks"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a next -d "The next task to start"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a list -d "The listed plans"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a add -d "Add a plan document"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a update -d "Read a listed plan again"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a remove -d "Remove a plan"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a link -d "Print a widget link"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a open -d "Tell what a widget link opens, or open it"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a integrate -d "Make the widget links open with today"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a demo -d "Show a sample plan"
complete -c today -n "not __fish_seen_subcommand_from $commands" -a help -d "Print the help of a subcommand"

complete -c today -l group -x -d "Application group of the shared container"
complete -c today -l color -x -a "auto always never" -d "Colours"
complete -c today -l no-color -d "No colours"
complete -c today -s h -l help -d "Print the help"
complete -c today -s V -l version -n "not __fish_seen_subcommand_from $commands" -d "Print the version"

set -l days today tomorrow yesterday monday tuesday wednesday thursday friday saturday sunday next last
complete -c today -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show agenda" -a "$days" -d "Day"
set -l formatted "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show agenda next list"
complete -c today -n $formatted -l format -x -a "text json jsonl tsv" -d "Output format"
complete -c today -n $formatted -l json -d "The same as --format json"
complete -c today -n $formatted -l pretty -d "Indented JSON"
complete -c today -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show next" -l at -x -a "now $days" -d "An instant"
complete -c today -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show agenda next" -l project -x -a "(__today_plan_ids)" -d "Only this plan"
complete -c today -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show agenda next" -l hide-done -d "Leave out the tasks at 100 %"
complete -c today -n "not __fish_seen_subcommand_from $commands; or __fish_seen_subcommand_from show agenda" -l by-plan -d "The tasks under their plans"
complete -c today -n "__fish_seen_subcommand_from agenda" -l all-days -d "Also the days with nothing on"
complete -c today -n "__fish_seen_subcommand_from next" -s n -l count -x -d "The next N moments"
complete -c today -n "__fish_seen_subcommand_from agenda" -l days -x -d "Number of days"
complete -c today -n "__fish_seen_subcommand_from agenda" -l from -x -a "$days" -d "First day"
complete -c today -n "__fish_seen_subcommand_from agenda" -l to -x -a "$days" -d "Last day"
complete -c today -n "__fish_seen_subcommand_from add" -l again -d "Add a listed file once more"
complete -c today -n "__fish_seen_subcommand_from add" -F
complete -c today -n "__fish_seen_subcommand_from update remove" -F -a "(__today_plan_ids)"
complete -c today -n "__fish_seen_subcommand_from link" -a "project guide legacy"
complete -c today -n "__fish_seen_subcommand_from help" -a "$commands"
complete -c today -n "__fish_seen_subcommand_from open" -l launch -d "Open it"
complete -c today -n "__fish_seen_subcommand_from open" -a current -d "The plan that is on now"
complete -c today -n "__fish_seen_subcommand_from integrate" -l undo -d "Remove the registration"

complete -c today -n "not __fish_seen_subcommand_from $commands" -a bar -d "The day in one line for a status bar"
complete -c today -n "__fish_seen_subcommand_from bar" -l format -x -a "waybar polybar i3blocks plain" -d "The bar"
complete -c today -n "__fish_seen_subcommand_from bar" -l project -x -a "(__today_plan_ids)" -d "Only these plans"
complete -c today -n "__fish_seen_subcommand_from bar" -l max-width -x -d "Columns of the text"
complete -c today -n "__fish_seen_subcommand_from bar" -l watch -d "Keep running"
complete -c today -n "__fish_seen_subcommand_from bar" -l interval -x -d "Also check every SECONDS"
