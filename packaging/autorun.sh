#!/bin/sh
# Colocado pela editora na raiz do disco ou do pendrive da coleção. Ao
# inserir a mídia, o GNOME e o KDE oferecem executá-lo: ele abre o menu da
# coleção instalado neste computador, nesta mídia.
midia=$(cd "$(dirname "$0")" && pwd)

for abrir in "$(command -v apostilas-abrir 2>/dev/null)" /usr/bin/apostilas-abrir /opt/apostilas/bin/apostilas-abrir; do
    if [ -n "$abrir" ] && [ -x "$abrir" ]; then
        exec "$abrir" "$midia"
    fi
done

mensagem="O menu desta coleção não está instalado neste computador.

Peça ao técnico da escola que instale o pacote \"apostilas\"
(no Debian ou no Ubuntu: sudo apt install ./apostilas_*.deb)
e depois abra esta mídia de novo.

Enquanto isso, os manuais estão na pasta \"manuais\" desta mídia."
printf '%s\n' "$mensagem" >&2
if command -v zenity >/dev/null 2>&1; then
    zenity --warning --title="Menu da coleção" --no-wrap --text="$mensagem" 2>/dev/null
elif command -v kdialog >/dev/null 2>&1; then
    kdialog --title "Menu da coleção" --sorry "$mensagem" 2>/dev/null
elif command -v xmessage >/dev/null 2>&1; then
    xmessage -center "$mensagem" 2>/dev/null
fi
exit 1
