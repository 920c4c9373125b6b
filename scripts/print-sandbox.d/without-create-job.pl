# Passes a printer's answers on with Create-Job and Send-Document taken out
# of its operations-supported (each becomes Get-Printer-Attributes again, a
# value of the same size), as a printer that knows only Print-Job says.
binmode STDIN;
binmode STDOUT;
$| = 1;
# An enum value that is not the first of its attribute: tag, no name, length 4.
my @from = map { pack("CnnN", 0x23, 0, 4, $_) } (5, 6);
my $to = pack("CnnN", 0x23, 0, 4, 11);
my $kept = "";
while (sysread(STDIN, my $chunk, 65536)) {
    $kept .= $chunk;
    $kept =~ s/\Q$_\E/$to/g for @from;
    # Hold back only an end that may be the start of a value to replace.
    my $hold = 0;
    for my $n (reverse 1 .. 8) {
        if (length($kept) >= $n && substr($kept, -$n) eq substr($from[0], 0, $n)) {
            $hold = $n;
            last;
        }
    }
    syswrite(STDOUT, substr($kept, 0, length($kept) - $hold, ""));
}
syswrite(STDOUT, $kept);
