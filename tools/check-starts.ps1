# Starts the program, waits up to 10 s for its main window ("Vorlax Demo Fixer v1.0."), then asks
# it to close and waits for it to end. Fails if the window never appears or the program does not
# end. For Windows (the Visual Studio job of .github/workflows/windows.yml); Wine runs here have
# the end-to-end tests instead.
param([Parameter(Mandatory = $true)][string]$Program)
$ErrorActionPreference = 'Stop'

$process = Start-Process -FilePath $Program -PassThru
$deadline = (Get-Date).AddSeconds(10)
while ($process.MainWindowTitle -ne 'Vorlax Demo Fixer v1.0.') {
    if ($process.HasExited -or (Get-Date) -gt $deadline) {
        if (-not $process.HasExited) { $process.Kill() }
        throw "No main window appeared (title: '$($process.MainWindowTitle)')."
    }
    Start-Sleep -Milliseconds 100
    $process.Refresh()
}
Write-Output "Main window up: '$($process.MainWindowTitle)', process $($process.Id)."
[void]$process.CloseMainWindow()
if (-not $process.WaitForExit(10000)) {
    $process.Kill()
    throw 'The program did not end when its main window was closed.'
}
Write-Output "Ended with exit code $($process.ExitCode)."
