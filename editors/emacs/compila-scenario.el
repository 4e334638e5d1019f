;;; compila-scenario.el --- The scenario texts in Emacs, through eglot  -*- lexical-binding: t -*-

;; Every LINEA_linea.txt and LINEA_TRENO-.txt opened is in `scenario-mode', served by
;; `compila_scenario --lsp' through eglot (Emacs 28 with Debian's elpa-eglot, or 29 and
;; later). Load it from init.el:
;;   (load "/path/to/compila_scenario/editors/emacs/compila-scenario.el")
;; The program must be on PATH, or named in `compila-scenario-programma'; the server's
;; settings (`:severo t', `:permissivo t', `:note t', `:lingua "en"') go in
;; `compila-scenario-impostazioni'.
;;
;; On a text the echo area describes what is under the cursor (the value being typed while
;; a record is written), `M-x completion-at-point' completes, `M-x eglot-code-actions'
;; offers the fixes, `M-x eglot-format-buffer' lays the text out (`eglot-format' a region),
;; and `C-c C-p' (`compila-scenario-pagina') opens the page of the open texts in the
;; browser, which follows every change.

;;; Code:

(require 'eglot)
(require 'browse-url)

(defgroup compila-scenario nil
  "The scenario texts of compila_scenario."
  :group 'languages)

(defcustom compila-scenario-programma "compila_scenario"
  "The compila_scenario program, with its path when it is not on PATH."
  :type 'string)

(defcustom compila-scenario-impostazioni nil
  "The server's settings, a plist: :lingua, :permissivo, :severo, :note."
  :type 'plist)

(define-derived-mode scenario-mode text-mode "Scenario"
  "A line or run description text of compila_scenario.")

(add-to-list 'auto-mode-alist '("\\(_linea\\|-\\)\\.txt\\'" . scenario-mode))
(add-to-list 'eglot-server-programs
             `(scenario-mode . ,(lambda (&rest _)
                                  (list compila-scenario-programma "--lsp"
                                        :initializationOptions compila-scenario-impostazioni))))
(add-hook 'scenario-mode-hook #'eglot-ensure)

(defun compila-scenario-pagina ()
  "Open the page of the text's pair, as it stands in its buffers, in the browser.
The server writes it again after every change, and the page reloads itself."
  (interactive)
  (let* ((uri (if (fboundp 'eglot-path-to-uri)
                  (eglot-path-to-uri buffer-file-name)
                (eglot--path-to-uri buffer-file-name)))
         (esito (jsonrpc-request (eglot--current-server-or-lose) :workspace/executeCommand
                                 (list :command "compilaScenario.pagina" :arguments (vector uri)))))
    (browse-url (plist-get esito :uri))))

(define-key scenario-mode-map (kbd "C-c C-p") #'compila-scenario-pagina)

(provide 'compila-scenario)
;;; compila-scenario.el ends here
