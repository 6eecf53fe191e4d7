# bash completion for prowlet: long options by their full names, -c and -n;
# host names for printer arguments. Installed as
# share/bash-completion/completions/prowlet.

_prowlet() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=""
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}

    # Options whose argument is free text, a number or a port: nothing to
    # offer; the protocol options offer their names, --secrets and
    # --known-engines a file.
    case $prev in
        -c|-n|--community|--connection|--timeout|--maxproc|--setcontact|--setlocation|--updatefirmware|\
        -u|-A|-X|-e|--v3-user|--v3-auth-passphrase|--v3-priv-passphrase|--v3-engine-id)
            COMPREPLY=()
            return 0
            ;;
        -v|--snmp-version) mapfile -t COMPREPLY < <(compgen -W "1 2c 3" -- "$cur"); return 0 ;;
        -l|--v3-level) mapfile -t COMPREPLY < <(compgen -W "noAuthNoPriv authNoPriv authPriv" -- "$cur"); return 0 ;;
        -a|--v3-auth-protocol)
            mapfile -t COMPREPLY < <(compgen -W "MD5 SHA SHA-224 SHA-256 SHA-384 SHA-512" -- "$cur"); return 0 ;;
        -x|--v3-priv-protocol) mapfile -t COMPREPLY < <(compgen -W "DES AES" -- "$cur"); return 0 ;;
        --secrets|--known-engines) mapfile -t COMPREPLY < <(compgen -f -- "$cur"); return 0 ;;
    esac

    # Options end at the first printer argument or at "--".
    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            --) break ;;
            -c|-n|--community|--connection|--timeout|--maxproc|--setcontact|--setlocation|--updatefirmware|\
            -v|-u|-l|-a|-A|-x|-X|-e|--snmp-version|--v3-*|--secrets|--known-engines)
                ((i++)) ;;
            -*) ;;
            *) break ;;
        esac
    done
    local optionsDone=0
    [ "$i" -lt "$COMP_CWORD" ] && optionsDone=1

    if [ "$optionsDone" -eq 0 ] && [[ $cur == -* ]]; then
        local opts="-c -n --community --connection --timeout --maxproc --help --version
            -v -u -l -a -A -x -X -e --snmp-version --v3-user --v3-level --v3-auth-protocol
            --v3-auth-passphrase --v3-priv-protocol --v3-priv-passphrase --secrets
            --v3-engine-id --known-engines
            --all --debugsnmp --name --generic --json --health
            --vendor --model --contact --netconfig --printmib --hostmib
            --memory --storage --status --cfgsrc
            --mediapath --maxpapersize --minpapersize --enginespeed --duplex
            --inputtray --tabloid --a4 --b4 --executive --a3 --b5 --letter --legal
            --display --covers --languages --pjl --hpgl --psprinter --autolang --pcl
            --postscript --marker --pagecount --colors --resolution --minmargin
            --protocol --appletalk --lpd --netware --port9100 --supplies --alerts --serial
            --reboot --setcontact --setlocation --updatefirmware"
        mapfile -t COMPREPLY < <(compgen -W "$opts" -- "$cur")
        return 0
    fi
    mapfile -t COMPREPLY < <(compgen -A hostname -- "$cur")
    return 0
}

complete -F _prowlet prowlet
